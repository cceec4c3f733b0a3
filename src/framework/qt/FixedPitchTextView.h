#pragma once
// Inside the framework only: what the framework's painted text controls
// share. Their text stands in whole-pixel character cells of a fixed-pitch
// font, inside a one-pixel border with the vertical scroll bar at its right
// edge. Changes ask for a frame, and frames come at most once per display
// frame however often they are asked for; a frame repaints only the rows of
// the view whose look changed since they were painted on screen. The caret
// blinks on one timer.

#include <QElapsedTimer>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "framework/WinDef.h"
#include "framework/qt/TextScrollBar.h"
#include "framework/qt/Widgets.h"

class FixedPitchTextView : public QWidget, public TextWindow {
public:
    // Schedules one frame, however often it is asked for before it runs.
    void RequestRepaint();

    // The whole-pixel cell of one character.
    [[nodiscard]] int CellWidth() const { return m_cellWidth; }
    [[nodiscard]] int RowHeight() const { return m_rowHeight; }

protected:
    static constexpr int kBorder = 1;

    FixedPitchTextView(QWidget* parent, DWORD style);

    // What one row of the view shows: its characters, the cells shown
    // selected, the caret's cell (-1: no caret on the row) and whether an
    // input method's composition stands at the caret.
    struct RowLook {
        std::string text;
        long selectedFrom = 0;
        long selectedTo = 0;
        long caret = -1;
        bool composing = false;
        bool operator==(const RowLook&) const = default;
    };

    // A frame: what the control does when its frame comes.
    virtual void Frame() = 0;
    // The rectangle the text rows stand in.
    [[nodiscard]] virtual QRect TextArea() const = 0;
    // The band the rows of the view stand in, as tall as the text area
    // (the text area itself by default).
    [[nodiscard]] virtual QRect RowBand() const { return TextArea(); }
    // Brings the toolkit scroll bar up to the control's state.
    virtual void SyncScrollBar() = 0;

    // Rows of the view, the last one perhaps only in part.
    [[nodiscard]] long PaintedRows() const;
    // Row `index` of the view.
    [[nodiscard]] QRect RowRect(long index) const;
    // The next frame repaints every row.
    void RepaintAll();
    void MarkAllRowsStale() { m_repaintAll = true; }
    // While muted, requests are dropped: the frame or paint running then
    // covers whatever asked.
    void MuteRequests(bool muted) { m_requestsMuted = muted; }

    // Repaints the rows of the view whose look (`lookOf(index)`) differs
    // from the one last painted on screen, or everything after RepaintAll().
    template <typename LookOf>
    void RepaintChangedRows(LookOf&& lookOf) {
        if (m_repaintAll) {
            update();
            return;
        }
        QRegion changed;
        const long rows = PaintedRows();
        for (long index = 0; index < rows; ++index) {
            const auto shown = static_cast<std::size_t>(index);
            if (shown >= m_shownRows.size() || !(m_shownRows[shown] == lookOf(index))) {
                changed += RowRect(index);
            }
        }
        if (!changed.isEmpty()) update(changed);
    }
    // At the end of a paint of `region`: remembers the look of the rows it
    // painted, when it painted the screen (a grab of the widget leaves the
    // screen as it was); a paint that covered `whole` leaves no row stale.
    template <typename LookOf>
    void RememberPaintedRows(const QRegion& region, const QRect& whole, LookOf&& lookOf) {
        if (!PaintsScreen()) return;
        const long rows = PaintedRows();
        m_shownRows.resize(static_cast<std::size_t>(rows));
        for (long index = 0; index < rows; ++index) {
            if (region.intersects(RowRect(index))) {
                m_shownRows[static_cast<std::size_t>(index)] = lookOf(index);
            }
        }
        if (QRegion(whole).subtracted(region).isEmpty()) m_repaintAll = false;
    }

    // The font's cell: its width is the advance of a digit rounded to whole
    // pixels, and `LetterSpacing()` is what a painter adds to each glyph's
    // advance to keep glyphs on those cells.
    [[nodiscard]] int Ascent() const { return m_ascent; }
    [[nodiscard]] double LetterSpacing() const { return m_letterSpacing; }
    // After the cell was measured again (a change of font).
    virtual void CellsChanged() {}
    // After a change of font, colours or enabled state.
    virtual void LookChanged() = 0;

    // The caret blinks while the timer runs; any change that moves it shows
    // it again with ShowCaretNow().
    [[nodiscard]] bool CaretOn() const { return m_caretOn; }
    void ShowCaretNow() { m_caretOn = true; }
    void StartBlinking();
    void StopBlinking() { m_blink.stop(); }

    [[nodiscard]] TextScrollBar* ScrollBar() const { return m_scrollBar; }
    [[nodiscard]] int ScrollBarWidth() const { return m_scrollBarWidth; }
    // The owner's scroll state, shown enabled only while the control is.
    void ShowScrollState(bool scrollable, int minimum, int maximum, int page, int position);
    // A scroll request from the bar, the wheel or a key.
    virtual void SendScroll(UINT code, int trackPos) = 0;
    // Sends WM_VSCROLL through the owner (`byDefault` unless it handles it),
    // then brings the bar up to date unless the control went away.
    void RouteScroll(UINT code, int trackPos, const std::function<void()>& byDefault);

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] bool PaintsScreen();
    void MeasureCells();

    TextScrollBar* m_scrollBar;
    int m_scrollBarWidth = 0;

    int m_cellWidth = 1;
    int m_rowHeight = 1;
    int m_ascent = 0;
    double m_letterSpacing = 0;

    QTimer m_frame;
    QElapsedTimer m_lastFrame;
    bool m_requestsMuted = false;
    // The rows as last painted on screen.
    std::vector<RowLook> m_shownRows;
    bool m_repaintAll = true;

    QTimer m_blink;
    bool m_caretOn = true;
};
