#pragma once
// Inside the framework only: the toolkit widgets behind the standard
// controls of a dialog template, and the translation of toolkit key events
// into key messages.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "framework/Resources.h"
#include "framework/WinDef.h"

// The shortest interval between two repaints of a widget whose content may
// change thousands of times a second: one display frame.
constexpr int kFrameMs = 16;

// Fills `area` in bands of fewer scanlines than the raster engine hands to
// its thread pool: a taller fill wakes the pool's threads and waits for
// them, and on a busy machine that wait costs more than the fill itself.
void FillOnThisThread(QPainter& painter, const QRect& area, const QColor& color);
// A one-pixel frame just inside `area`, drawn the same way.
void FrameOnThisThread(QPainter& painter, const QRect& area, const QColor& color);

// Text access shared by every framework widget (WM_SETTEXT / WM_GETTEXT).
class TextWindow {
public:
    virtual ~TextWindow() = default;
    [[nodiscard]] virtual std::string GetText() const = 0;
    virtual void SetText(std::string_view text) = 0;
    // The text's length without a copy of it, where the widget can tell.
    [[nodiscard]] virtual std::size_t GetTextLength() const { return GetText().size(); }
};

// A point of a widget as a mouse message's lParam: x in the low word, y in
// the high word.
[[nodiscard]] LPARAM PointLParam(QPoint point);

// A label's text as the user reads it: "&x" marks a mnemonic, "&&" is "&".
[[nodiscard]] QString WithoutMnemonics(const QString& text);

// A key event as key messages see it.
struct KeyMessage {
    UINT vk = 0;
    UINT scanCode = 0;
    bool extended = false;
    // lParam of WM_KEYDOWN / WM_KEYUP: repeat count, scan code, flags.
    [[nodiscard]] LPARAM KeyDownLParam(bool autoRepeat) const;
    [[nodiscard]] LPARAM KeyUpLParam() const;
};
[[nodiscard]] KeyMessage TranslateKey(const QKeyEvent& event);
// The character messages a key event produces: the bytes of its text in
// UTF-8, each one WM_CHAR (as an ANSI program receives code-page bytes).
[[nodiscard]] std::string CharactersOf(const QKeyEvent& event);

// Reports the user's actions on a text control's own scroll bar as
// WM_VSCROLL requests (code, tracking position) to `send`; while `syncing`
// is set the control is moving the bar itself and nothing is reported.
void ForwardScrollRequests(QScrollBar* bar, const bool& syncing,
                           std::function<void(UINT code, int trackPos)> send);

// A key pressed with Alt (not AltGr) or Super held, or one of those keys
// itself: on the desktop these are shortcuts for menus and the window
// manager, never typing, as the window system's system keys are.
[[nodiscard]] bool IsSystemKey(const QKeyEvent& event);

// The framework's own text controls take their keys as key messages: a
// key-down (for keys with a virtual key), then one WM_CHAR per byte of the
// key's text, each through the object's message map; the defaults run for
// what the map leaves alone. Stops if a handler destroys the widget.
// System keys are not routed (false): the control leaves them to its
// window.
bool RouteKeyPress(QWidget* widget, const QKeyEvent& event,
                   const std::function<void(UINT vk)>& defaultKeyDown,
                   const std::function<void(unsigned char c)>& defaultChar);
bool RouteKeyRelease(QWidget* widget, const QKeyEvent& event);
// Text that comes as characters without a key of its own (an input
// method's committed text): one WM_CHAR per byte of its UTF-8, as typed.
void RouteCharacters(QWidget* widget, std::string_view bytes,
                     const std::function<void(unsigned char c)>& defaultChar);
// True for a Tab or Shift+Tab press, which a text control keeps for itself;
// Ctrl+Tab is left to the dialog manager.
[[nodiscard]] bool IsControlTab(const QEvent& event);

// Records the modifiers of the key event being dispatched (GetKeyState).
void SetCurrentKeyModifiers(Qt::KeyboardModifiers modifiers);

// An icon resource as a picture of `size` pixels square (from the image
// closest to that size); the image needs no window system, the pixmap does.
QImage IconImageOf(HICON icon, int size);
QPixmap IconPixmap(HICON icon, int size);
QIcon ToQIcon(HICON icon);

class DialogWindow : public QWidget, public TextWindow {
public:
    explicit DialogWindow(QWidget* parent);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;
    bool MoveFocus(bool next) { return focusNextPrevChild(next); }
    void ShowSystemMenu(QPoint globalPos);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

class EditWidget : public QLineEdit, public TextWindow {
public:
    EditWidget(QWidget* parent, DWORD style, DWORD exStyle);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    std::string m_text;  // the field's text, kept in step by textChanged
};

class PushButtonWidget : public QPushButton, public TextWindow {
public:
    PushButtonWidget(QWidget* parent, DWORD style);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;
    [[nodiscard]] bool IsDefault() const { return m_bDefault; }

private:
    bool m_bDefault;
};

class CheckBoxWidget : public QCheckBox, public TextWindow {
public:
    explicit CheckBoxWidget(QWidget* parent);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;
};

// Who hears of a label's new text (a group box's title or a static's
// text): the controls that take their accessible names from labels are
// renamed at once, and assistive technology is told of a static's new text
// at most once a frame. The naming of controls installs these; until then
// a label tells nobody.
struct LabelTextListeners {
    void (*renamed)(QWidget* label) = nullptr;
    void (*shown)(QWidget* label) = nullptr;
};
void SetLabelTextListeners(LabelTextListeners listeners);

class GroupBoxWidget : public QGroupBox, public TextWindow {
public:
    explicit GroupBoxWidget(QWidget* parent);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;
};

// A static text painted by the framework: cheap to update (the receive
// count changes on every read) and it repaints only when its text changes.
class StaticWidget : public QWidget, public TextWindow {
public:
    StaticWidget(QWidget* parent, DWORD style);
    [[nodiscard]] std::string GetText() const override { return m_text; }
    void SetText(std::string_view text) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ScheduleRepaint();
    // The text as shown: "&" mnemonic markers removed unless SS_NOPREFIX.
    [[nodiscard]] QString DisplayText() const;

    DWORD m_style;
    std::string m_text;
    bool m_repaintPending = false;
};

class IconWidget : public QWidget, public TextWindow {
public:
    IconWidget(QWidget* parent, HICON icon);
    [[nodiscard]] std::string GetText() const override { return {}; }
    void SetText(std::string_view) override {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HICON m_icon;
};

class ComboWidget : public QComboBox, public TextWindow {
public:
    ComboWidget(QWidget* parent, DWORD style);
    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;
};

// The up-down control: two arrows that propose a change of -1 (up) or +1
// (down) to the parent with UDN_DELTAPOS; held down, it repeats and
// accelerates (steps of 5 after 2 s, 20 after 5 s).
class UpDownWidget : public QWidget, public TextWindow {
public:
    explicit UpDownWidget(QWidget* parent);
    [[nodiscard]] std::string GetText() const override { return m_text; }
    void SetText(std::string_view text) override { m_text = text; }
    int m_nPos = 0;
    int m_nLower = 100;  // the control's default range runs from 100 down to 0
    int m_nUpper = 0;
    // Proposes nDelta to the parent; applies it when the parent allows.
    LRESULT Step(int nDelta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Repeat();
    std::string m_text;
    QTimer m_repeat;
    int m_nDirection = 0;
    qint64 m_nPressedAt = 0;
};

// The progress bar: a position within a range, no text of its own.
class ProgressBarWidget : public QProgressBar, public TextWindow {
public:
    explicit ProgressBarWidget(QWidget* parent);
    [[nodiscard]] std::string GetText() const override { return {}; }
    void SetText(std::string_view) override {}
};
