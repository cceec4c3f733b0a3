#pragma once
// Inside the framework only: the vertical scroll bar of a text control,
// whose state the control's owner sets (range, page, position, and whether
// there is anything to scroll).
//
// Under a flood the owner sets a new range and position many times a
// second, while the bar on screen stays the same: the thumb of a long
// buffer sits at the bottom at its smallest size. Each change of the
// toolkit bar repaints it, and a repaint of a bar that looks no different
// costs more than the rest of a frame. So the bar takes a new state only
// when the thumb would move, change size or change its enabled look; the
// state set last is held back otherwise, and taken at once before the user
// presses, drags or wheels the bar, before it is resized or shown, and
// whenever Apply() is called.

#include <QRect>
#include <QScrollBar>

class TextScrollBar : public QScrollBar {
public:
    explicit TextScrollBar(QWidget* parent);

    // The owner's state. Not scrollable: range 0 to 0, and disabled like a
    // bar whose owner is disabled. The position is left alone while the
    // user drags the thumb.
    void SetState(bool scrollable, bool ownerEnabled, int minimum, int maximum, int page,
                  int position);
    // Takes the state set last, if it is held back.
    void Apply();
    // True while the bar takes a state: the toolkit's actions it triggers
    // then are not the user's.
    [[nodiscard]] const bool& Applying() const { return m_applying; }

protected:
    bool event(QEvent* event) override;

private:
    struct State {
        bool scrollable = false;
        bool enabled = false;
        int minimum = 0;
        int maximum = 0;
        int page = 0;
        int position = 0;
    };
    [[nodiscard]] QRect ThumbOf(const State& state) const;
    // What the toolkit bar shows now (also after the user moved it).
    [[nodiscard]] State Shown() const;

    State m_wanted;
    bool m_heldBack = false;
    bool m_applying = false;
};
