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
#include <QScrollBar>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "framework/qt/TextScrollBar.h"
#include "framework/WinDef.h"
#include "framework/qt/Widgets.h"

class RichEditWidget : public QWidget, public TextWindow {
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
    void SendScroll(UINT code, int trackPos);

    void HideCaretAndSelection();
    [[nodiscard]] bool CaretHidden() const { return m_caretHidden; }

    // The owner's deferred-text hook (see CRichEditCtrl::RealizeText).
    void SetRealizeHook(std::function<void()> hook) { m_realize = std::move(hook); }
    void Realize() const;
    // Schedules one repaint, however often it is asked for before it runs.
    void RequestRepaint();

    // The character position a press at a point of the widget selects.
    [[nodiscard]] long PositionAt(QPoint point) const;
    // The top-left corner of a character position's cell.
    [[nodiscard]] QPoint PointOf(long position) const;
    [[nodiscard]] int CellWidth() const { return m_cellWidth; }
    [[nodiscard]] int RowHeight() const { return m_rowHeight; }

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What one row of the view shows: its characters, the cells shown
    // selected and the caret's cell (-1: no caret on the row).
    struct RowLook {
        std::string text;
        long selectedFrom = 0;
        long selectedTo = 0;
        long caret = -1;
        bool operator==(const RowLook&) const = default;
    };
    [[nodiscard]] RowLook LookOf(long row) const;
    [[nodiscard]] long VisibleRows() const;
    [[nodiscard]] QRect RowRect(long row) const;
    // A frame: the rows whose look changed since they were painted.
    void RepaintChangedRows();
    void RepaintAll();
    void SyncScrollBar();
    void UpdateFontMetrics();
    void PaintText(QPainter& painter, const QRect& area, const QRect& dirty);
    [[nodiscard]] QRect TextArea() const;

    std::string m_text;
    long m_selStart = 0;
    long m_selEnd = 0;
    long m_anchor = 0;
    long m_limit = 32767;
    int m_rowChars = 77;
    bool m_caretHidden = false;
    bool m_caretOn = true;
    bool m_dragging = false;
    bool m_scrollBarShown = true;
    bool m_framePending = false;
    // The rows as last painted; a change of size, font or colours paints
    // every row again.
    std::vector<RowLook> m_shownRows;
    bool m_repaintAll = true;
    bool m_painting = false;
    QElapsedTimer m_lastFrame;
    mutable bool m_realizing = false;
    SCROLLINFO m_scroll;
    TextScrollBar* m_scrollBar;
    QTimer m_blink;
    std::function<void()> m_realize;

    // The font's whole-pixel cell and the glyph of every byte value, kept
    // from one font change to the next.
    int m_cellWidth = 1;
    int m_rowHeight = 1;
    int m_ascent = 0;
    QRawFont m_rawFont;
    std::array<quint32, 256> m_glyphOf{};
    QList<quint32> m_glyphs[2];
    QList<QPointF> m_positions[2];
};
