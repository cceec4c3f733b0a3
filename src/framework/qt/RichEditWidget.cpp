#include "framework/qt/RichEditWidget.h"

#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "framework/qt/WindowSystem.h"

namespace {

constexpr WPARAM kLeftButtonDown = 0x0001;  // the button state of WM_LBUTTONDOWN

}  // namespace

RichEditWidget::RichEditWidget(QWidget* parent, DWORD style) : FixedPitchTextView(parent, style) {
    m_scroll.nMax = 0;
    m_scroll.nPage = 0;
    MapGlyphs();
}

std::string RichEditWidget::GetText() const {
    return Text();
}

void RichEditWidget::SetText(std::string_view text) {
    Realize();
    m_text.assign(text.substr(0, static_cast<std::size_t>(std::max(0L, m_limit))));
    m_selStart = m_selEnd = m_anchor = 0;
    RequestRepaint();
}

void RichEditWidget::Realize() const {
    if (!m_realize || m_realizing) return;
    m_realizing = true;
    m_realize();
    m_realizing = false;
}

void RichEditWidget::Frame() {
    // A frame brings the toolkit scroll bar up to date and repaints; paints
    // the toolkit makes on its own (the scroll bar's region, an exposed
    // area) never touch the scroll bar, so they cannot feed each other.
    SyncScrollBar();
    RepaintChangedRows();
}

void RichEditWidget::RealizeMuted() {
    MuteRequests(true);
    Realize();
    MuteRequests(false);
}

RichEditWidget::RowLook RichEditWidget::LookOf(long row) const {
    RowLook look;
    const long length = static_cast<long>(m_text.size());
    const long rowStart = row * m_rowChars;
    const long rowEnd = std::min(length, rowStart + m_rowChars);
    if (rowStart < rowEnd) {
        look.text.assign(m_text, static_cast<std::size_t>(rowStart),
                         static_cast<std::size_t>(rowEnd - rowStart));
    }
    const bool active = hasFocus() && !m_caretHidden;
    if (active && m_selEnd > m_selStart && m_selStart < rowEnd && m_selEnd > rowStart) {
        look.selectedFrom = std::max(m_selStart, rowStart) - rowStart;
        look.selectedTo = std::min(m_selEnd, rowEnd) - rowStart;
    }
    if (active && CaretOn()) {
        const CaretCell caret = CaretCellNow();
        if (caret.row == row) look.caret = caret.column;
    }
    return look;
}

RichEditWidget::CaretCell RichEditWidget::CaretCellNow() const {
    // The caret after a full last row stands at that row's end.
    const long p = m_selStart;
    if (p == static_cast<long>(m_text.size()) && p > 0 && p % m_rowChars == 0) {
        return {(p - 1) / m_rowChars, m_rowChars};
    }
    return {p / m_rowChars, p % m_rowChars};
}

void RichEditWidget::RepaintChangedRows() {
    RealizeMuted();
    FixedPitchTextView::RepaintChangedRows([this](long row) { return LookOf(row); });
}

const std::string& RichEditWidget::Text() const {
    Realize();
    return m_text;
}

void RichEditWidget::SetSelection(long start, long end) {
    Realize();
    const long length = static_cast<long>(m_text.size());
    if (end < 0) end = length;
    if (start < 0) start = length;
    start = std::clamp(start, 0L, length);
    end = std::clamp(end, 0L, length);
    m_anchor = start;
    m_selStart = std::min(start, end);
    m_selEnd = std::max(start, end);
    ShowCaretNow();
    RequestRepaint();
}

void RichEditWidget::ReplaceSelection(std::string_view text) {
    Realize();
    const long kept = static_cast<long>(m_text.size()) - (m_selEnd - m_selStart);
    const long room = std::max(0L, m_limit - kept);
    if (static_cast<long>(text.size()) > room) {
        text = text.substr(0, static_cast<std::size_t>(room));
    }
    m_text.replace(static_cast<std::size_t>(m_selStart),
                   static_cast<std::size_t>(m_selEnd - m_selStart), text);
    m_selStart = m_selEnd = m_anchor = m_selStart + static_cast<long>(text.size());
    RequestRepaint();
}

void RichEditWidget::SetRowChars(int chars) {
    m_rowChars = std::max(1, chars);
    RepaintAll();
}

void RichEditWidget::SetScrollState(const SCROLLINFO& info) {
    const SCROLLINFO before = m_scroll;
    if (info.fMask & SIF_RANGE) {
        m_scroll.nMin = info.nMin;
        m_scroll.nMax = info.nMax;
    }
    if (info.fMask & SIF_PAGE) m_scroll.nPage = info.nPage;
    if (info.fMask & SIF_POS) m_scroll.nPos = info.nPos;
    // The position stays within what the range and page allow: at most the
    // maximum less the page plus one.
    const long long page = std::max(1U, m_scroll.nPage);
    const long long top = std::max<long long>(m_scroll.nMin, m_scroll.nMax - page + 1);
    m_scroll.nPos = static_cast<int>(std::clamp<long long>(m_scroll.nPos, m_scroll.nMin, top));
    m_scroll.nTrackPos = m_scroll.nPos;
    if (m_scroll.nMin != before.nMin || m_scroll.nMax != before.nMax ||
        m_scroll.nPage != before.nPage || m_scroll.nPos != before.nPos) {
        RequestRepaint();
    }
}

void RichEditWidget::SetScrollBarShown(bool shown) {
    if (shown == m_scrollBarShown) return;
    m_scrollBarShown = shown;
    ScrollBar()->setVisible(shown);
    RepaintAll();
}

bool RichEditWidget::ScrollBarEnabled() {
    SyncScrollBar();
    ScrollBar()->Apply();
    return m_scrollBarShown && ScrollBar()->isEnabled();
}

void RichEditWidget::SyncScrollBar() {
    const long long span = static_cast<long long>(m_scroll.nMax) - m_scroll.nMin + 1;
    // Shown but disabled while there is nothing to scroll.
    const bool scrollable = span > static_cast<long long>(m_scroll.nPage);
    const int page = static_cast<int>(std::max(1U, m_scroll.nPage));
    ShowScrollState(scrollable, m_scroll.nMin,
                    static_cast<int>(static_cast<long long>(m_scroll.nMax) - page + 1), page,
                    m_scroll.nPos);
}

void RichEditWidget::SendScroll(UINT code, int trackPos) {
    m_scroll.nTrackPos = trackPos;
    RouteScroll(code, trackPos, [] {});
}

void RichEditWidget::HideCaretAndSelection() {
    m_caretHidden = true;
    // Nothing blinks until the control really gets the focus again.
    StopBlinking();
    RequestRepaint();
}

void RichEditWidget::CellsChanged() {
    MapGlyphs();
}

void RichEditWidget::MapGlyphs() {
    m_rawFont = QRawFont::fromFont(font());
    m_glyphOf.fill(0);
    if (m_rawFont.isValid()) {
        for (int value = 0; value < 256; ++value) {
            const QChar c = QChar::fromLatin1(static_cast<char>(value));
            quint32 glyph = 0;
            int count = 1;
            if (m_rawFont.glyphIndexesForChars(&c, 1, &glyph, &count) && count == 1) {
                m_glyphOf[static_cast<std::size_t>(value)] = glyph;
            }
        }
    }
}

QRect RichEditWidget::TextArea() const {
    const int scrollWidth = m_scrollBarShown ? ScrollBar()->width() : 0;
    return QRect(kBorder + 1, kBorder, width() - 2 * kBorder - scrollWidth - 1,
                 height() - 2 * kBorder);
}

long RichEditWidget::PositionAt(QPoint point) const {
    Realize();
    const QRect area = TextArea();
    const long length = static_cast<long>(m_text.size());
    const int row = std::max(0, (point.y() - area.top()) / RowHeight());
    // The nearest character boundary: a press on a cell's right half puts
    // the caret after it.
    const int column = std::max(0, (point.x() - area.left() + CellWidth() / 2) / CellWidth());
    const long rows = (length + m_rowChars - 1) / m_rowChars;
    if (row >= rows) return length;
    const long rowStart = static_cast<long>(row) * m_rowChars;
    const long rowEnd = std::min(length, rowStart + m_rowChars);
    const long p = rowStart + column;
    if (p < rowEnd) return p;
    // A press right of a row's text lands at the row's end: the end of the
    // text on the last row, the row's last character on the others (its
    // end position would already belong to the next row).
    return rowEnd == length ? length : rowEnd - 1;
}

QPoint RichEditWidget::PointOf(long position) const {
    const QRect area = TextArea();
    const long p = std::max(0L, position);
    return {area.left() + static_cast<int>(p % m_rowChars) * CellWidth(),
            area.top() + static_cast<int>(p / m_rowChars) * RowHeight()};
}

void RichEditWidget::resizeEvent(QResizeEvent* event) {
    MarkAllRowsStale();
    FixedPitchTextView::resizeEvent(event);
}

void RichEditWidget::PaintText(QPainter& painter, const QRect& area, const QRect& dirty) {
    const QPalette& pal = palette();
    const long length = static_cast<long>(m_text.size());
    const bool showSelection = hasFocus() && !m_caretHidden && m_selEnd > m_selStart;
    const long firstRow = std::max(0, (dirty.top() - area.top()) / RowHeight());
    const long lastRow = std::max(0, (dirty.bottom() - area.top()) / RowHeight());
    for (int color = 0; color < 2; ++color) {
        m_glyphs[color].clear();
        m_positions[color].clear();
    }
    for (long row = firstRow; row <= lastRow; ++row) {
        const long rowStart = row * m_rowChars;
        if (rowStart >= length) break;
        const long rowEnd = std::min(length, rowStart + m_rowChars);
        const int y = area.top() + static_cast<int>(row) * RowHeight();
        if (showSelection && m_selStart < rowEnd && m_selEnd > rowStart) {
            const long from = std::max(m_selStart, rowStart) - rowStart;
            const long to = std::min(m_selEnd, rowEnd) - rowStart;
            painter.fillRect(area.left() + static_cast<int>(from) * CellWidth(), y,
                             static_cast<int>(to - from) * CellWidth(), RowHeight(),
                             pal.color(QPalette::Highlight));
        }
        for (long p = rowStart; p < rowEnd; ++p) {
            const auto c = static_cast<unsigned char>(m_text[static_cast<std::size_t>(p)]);
            if (c == ' ') continue;
            const int selected = showSelection && p >= m_selStart && p < m_selEnd ? 1 : 0;
            m_glyphs[selected].append(m_glyphOf[c]);
            m_positions[selected].append(
                QPointF(area.left() + static_cast<int>(p - rowStart) * CellWidth(), y + Ascent()));
        }
    }
    // One glyph run per colour: every glyph stands on its own whole-pixel
    // cell, whatever the font's fractional advance.
    for (int selected = 0; selected < 2; ++selected) {
        if (m_glyphs[selected].isEmpty()) continue;
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        if (m_rawFont.isValid()) {
            QGlyphRun run;
            run.setRawFont(m_rawFont);
            run.setGlyphIndexes(m_glyphs[selected]);
            run.setPositions(m_positions[selected]);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
    if (!m_rawFont.isValid()) {
        // Without the font's glyph table, character by character.
        painter.setPen(pal.color(QPalette::Text));
        for (long p = firstRow * m_rowChars; p < length && p / m_rowChars <= lastRow; ++p) {
            const QPoint at = PointOf(p);
            painter.drawText(at.x(), at.y() + Ascent(),
                             QString(QChar::fromLatin1(m_text[static_cast<std::size_t>(p)])));
        }
    }
}

void RichEditWidget::paintEvent(QPaintEvent* event) {
    // Requests made while the text is produced are served by this paint.
    RealizeMuted();
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect area = TextArea();
    FrameOnThisThread(painter, rect(), pal.color(QPalette::Mid));
    for (const QRect& part : event->region()) {
        FillOnThisThread(painter, part.intersected(rect().adjusted(1, 1, -1, -1)),
                         pal.color(QPalette::Base));
    }
    painter.setClipRect(area);
    for (const QRect& part : event->region()) {
        const QRect dirty = part.intersected(area);
        if (!dirty.isEmpty()) PaintText(painter, area, dirty);
    }
    if (hasFocus() && !m_caretHidden && CaretOn()) {
        const CaretCell caret = CaretCellNow();
        painter.fillRect(area.left() + static_cast<int>(caret.column) * CellWidth(),
                         area.top() + static_cast<int>(caret.row) * RowHeight(), 2, RowHeight(),
                         pal.color(QPalette::Text));
    }
    RememberPaintedRows(event->region(), area, [this](long row) { return LookOf(row); });
}

void RichEditWidget::keyPressEvent(QKeyEvent* event) {
    // Keys have no default handling here: a pane decides what they do.
    event->setAccepted(RouteKeyPress(
        this, *event, [](UINT) {}, [](unsigned char) {}));
}

void RichEditWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    WndRouting::Route(this, WM_LBUTTONDOWN, kLeftButtonDown, PointLParam(point), [this, point] {
        setFocus(Qt::MouseFocusReason);
        const long p = PositionAt(point);
        SetSelection(p, p);
        m_dragging = true;
    });
}

void RichEditWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const long p = PositionAt(event->position().toPoint());
    m_selStart = std::min(m_anchor, p);
    m_selEnd = std::max(m_anchor, p);
    RequestRepaint();
}

void RichEditWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    QPointer<RichEditWidget> guard(this);
    WndRouting::Route(this, WM_LBUTTONUP, 0, PointLParam(point), [this] { m_dragging = false; });
    if (guard) m_dragging = false;
}

void RichEditWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void RichEditWidget::wheelEvent(QWheelEvent* event) {
    // Three lines per notch of 120.
    const int steps = event->angleDelta().y() / 40;
    QPointer<RichEditWidget> guard(this);
    for (int i = 0; i < std::abs(steps) && guard; ++i) {
        SendScroll(steps > 0 ? SB_LINEUP : SB_LINEDOWN, m_scroll.nPos);
    }
    event->accept();
}

void RichEditWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_caretHidden = false;
    StartBlinking();
    // Reached with the keyboard, the control selects its whole text, as
    // the dialog manager does for edit controls.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        SetSelection(0, -1);
    }
    RequestRepaint();
    WndRouting::NotifyParent(this, EN_SETFOCUS);
}

void RichEditWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    StopBlinking();
    RequestRepaint();
}
