#pragma once
// Inside the framework only: the widget behind a multi-line EDIT control.
// Positions count the characters of its text as the classic edit control
// does: a line break is CR LF, two characters. Long lines wrap at the
// control's width, and the line count counts display rows.
//
// Built for a terminal that appends a read at a time: the text and its row
// layout are updated for the lines an edit touches, the view follows the
// caret lazily, and repaints are coalesced to a frame rate, painting only
// the rows of the view whose characters, selection or caret changed since
// they were last painted.

#include <algorithm>
#include <string>

#include "framework/WinDef.h"
#include "framework/qt/FixedPitchTextView.h"
#include "framework/qt/TextRowLayout.h"

class MultiLineEditWidget : public FixedPitchTextView {
public:
    MultiLineEditWidget(QWidget* parent, DWORD style);

    // WM_SETTEXT / WM_GETTEXT: the whole text; setting it puts the caret at 0.
    [[nodiscard]] std::string GetText() const override { return m_text; }
    void SetText(std::string_view text) override;
    [[nodiscard]] std::size_t GetTextLength() const override { return m_text.size(); }
    [[nodiscard]] long TextLength() const { return static_cast<long>(m_text.size()); }

    // EM_SETSEL: characters start to end (end -1: the text's end), the caret
    // at `end`; a negative start removes the selection and keeps the caret.
    void SetSelection(long start, long end);
    [[nodiscard]] long SelectionStart() const { return std::min(m_anchor, m_caret); }
    [[nodiscard]] long SelectionEnd() const { return std::max(m_anchor, m_caret); }
    [[nodiscard]] long Caret() const { return m_caret; }
    // EM_REPLACESEL: the text up to its first NUL replaces the selection, as
    // much as the text limit allows; the caret ends after it, in view.
    void ReplaceSelection(std::string_view text);
    // WM_CLEAR: deletes the selection, unless the control is read-only.
    void ClearSelection();
    void SetReadOnly(bool readOnly);
    [[nodiscard]] bool IsReadOnly() const { return m_readOnly; }
    // EM_LIMITTEXT: 0 (or less) lifts the limit as far as the control allows.
    void SetLimit(long limit);
    [[nodiscard]] long Limit() const { return m_limit; }
    // EM_SCROLLCARET: the view follows the caret (done before the next paint).
    void ScrollCaretIntoView();
    [[nodiscard]] int DisplayRowCount();

    // The view: the first display row shown, full rows that fit, and the
    // character cells in a row.
    [[nodiscard]] int TopRow();
    [[nodiscard]] int VisibleRows() const;
    [[nodiscard]] int ColumnsPerRow();
    // The character position under a point of the widget.
    [[nodiscard]] long PositionAt(QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    [[nodiscard]] QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void Frame() override;
    [[nodiscard]] QRect TextArea() const override;
    // The text area with the margin left of it.
    [[nodiscard]] QRect RowBand() const override;
    void SyncScrollBar() override;
    void CellsChanged() override { m_layoutValid = false; }
    void LookChanged() override { update(); }
    void SendScroll(UINT code, int trackPos) override;

private:
    // The selection and caret as a frame shows them.
    struct FrameMarks {
        long selStart = 0;
        long selEnd = 0;
        bool showSelection = false;
        long caretRow = -1;  // -1: no caret shown
        long caretColumn = 0;
        bool composing = false;
    };
    [[nodiscard]] FrameMarks MarksNow() const;
    [[nodiscard]] RowLook LookOf(long row, const FrameMarks& marks) const;
    // The rows whose look changed since they were painted.
    void RepaintChangedRows();
    void PaintRow(QPainter& painter, long row, int y, const FrameMarks& marks);

    void Replace(long start, long end, std::string_view text);
    void EnsureLayout();
    void Sync();
    void ScrollTo(long topRow);
    void ApplyScroll(UINT code, int trackPos);
    void DefaultKeyDown(UINT vk);
    void DefaultChar(unsigned char c);
    void RouteMouse(UINT message, QMouseEvent* event, bool placeCaret);
    // The caret's cell in widget coordinates, as of the last layout.
    [[nodiscard]] QRect CaretRect() const;

    std::string m_text;
    TextRowLayout m_layout;
    bool m_layoutValid = false;
    long m_anchor = 0;
    long m_caret = 0;
    long m_limit = 32767;
    bool m_readOnly = false;
    long m_topRow = 0;
    bool m_followCaret = false;
    bool m_dragging = false;
    // What an input method is composing, shown at the caret until it is
    // committed (then it arrives as typed characters).
    QString m_preedit;
    // Scratch of the paint, kept to spare an allocation per row.
    QString m_shown;
    std::string m_run;
};
