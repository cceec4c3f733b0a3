#pragma once
// Inside the framework only: the painted widget behind CRichEditCtrl.
// It holds the text, the selection and the scroll-bar state as plain
// values; painting and the toolkit scroll bar follow them lazily, so that
// an owner changing them many times per frame pays for one repaint, and a
// repaint covers only the rows whose characters, selection or caret
// changed since they were last painted.

#include <QList>
#include <QPointF>
#include <QRawFont>
#include <array>
#include <functional>
#include <string>

#include "framework/WinDef.h"
#include "framework/qt/FixedPitchTextView.h"

class RichEditWidget : public FixedPitchTextView {
public:
    RichEditWidget(QWidget* parent, DWORD style);

    [[nodiscard]] std::string GetText() const override;
    void SetText(std::string_view text) override;

    // The text as it stands, after the owner's deferred text is produced.
    [[nodiscard]] const std::string& Text() const;
    void SetSelection(long start, long end);
    [[nodiscard]] long SelectionStart() const { return m_selStart; }
    [[nodiscard]] long SelectionEnd() const { return m_selEnd; }
    void ReplaceSelection(std::string_view text);
    [[nodiscard]] long Limit() const { return m_limit; }
    void SetLimit(long limit) { m_limit = limit; }
    [[nodiscard]] int RowChars() const { return m_rowChars; }
    void SetRowChars(int chars);

    void SetScrollState(const SCROLLINFO& info);
    [[nodiscard]] const SCROLLINFO& ScrollState() const { return m_scroll; }
    void SetScrollBarShown(bool shown);
    [[nodiscard]] bool ScrollBarShown() const { return m_scrollBarShown; }
    // The toolkit scroll bar's state once it follows the stored one.
    [[nodiscard]] bool ScrollBarEnabled();
    // A request from the scroll bar: the tracking position, then WM_VSCROLL.
    void SendScroll(UINT code, int trackPos) override;

    void HideCaretAndSelection();
    [[nodiscard]] bool CaretHidden() const { return m_caretHidden; }

    // The owner's deferred-text hook (see CRichEditCtrl::RealizeText).
    void SetRealizeHook(std::function<void()> hook) { m_realize = std::move(hook); }
    void Realize() const;

    // The character position a press at a point of the widget selects.
    [[nodiscard]] long PositionAt(QPoint point) const;
    // The top-left corner of a character position's cell.
    [[nodiscard]] QPoint PointOf(long position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
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
    void SyncScrollBar() override;
    void CellsChanged() override;
    void LookChanged() override { RepaintAll(); }

private:
    [[nodiscard]] RowLook LookOf(long row) const;
    // The row and column of the caret's cell.
    struct CaretCell {
        long row = 0;
        long column = 0;
    };
    [[nodiscard]] CaretCell CaretCellNow() const;
    // A frame: the rows whose look changed since they were painted.
    void RepaintChangedRows();
    // The glyph of every byte value in the present font.
    void MapGlyphs();
    // Produces the owner's deferred text with requests muted: the frame or
    // paint that produces it covers what the text changes.
    void RealizeMuted();
    void PaintText(QPainter& painter, const QRect& area, const QRect& dirty);

    std::string m_text;
    long m_selStart = 0;
    long m_selEnd = 0;
    long m_anchor = 0;
    long m_limit = 32767;
    int m_rowChars = 77;
    bool m_caretHidden = false;
    bool m_dragging = false;
    bool m_scrollBarShown = true;
    mutable bool m_realizing = false;
    SCROLLINFO m_scroll;
    std::function<void()> m_realize;

    // The glyph of every byte value, kept from one font change to the next.
    QRawFont m_rawFont;
    std::array<quint32, 256> m_glyphOf{};
    QList<quint32> m_glyphs[2];
    QList<QPointF> m_positions[2];
};
