#include "framework/qt/RichEditWidget.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "framework/qt/WindowSystem.h"

namespace {

constexpr int kBorder = 1;
constexpr WPARAM kLeftButtonDown = 0x0001;  // the button state of WM_LBUTTONDOWN

}  // namespace

RichEditWidget::RichEditWidget(QWidget* parent, DWORD style)
    : QWidget(parent), m_scrollBar(new TextScrollBar(this)) {
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    m_scroll.nMax = 0;
    m_scroll.nPage = 0;
    ForwardScrollRequests(m_scrollBar, m_scrollBar->Applying(),
                          [this](UINT code, int track) { SendScroll(code, track); });
    const int flash = QApplication::cursorFlashTime();
    m_blink.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        RequestRepaint();
    });
    UpdateFontMetrics();
}

std::string RichEditWidget::GetText() const { return Text(); }

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

void RichEditWidget::RequestRepaint() {
    // At most one frame per display frame: the receive pane changes
    // thousands of times a second under a flood, and a paint of a full view
    // costs hundreds of microseconds. A frame brings the toolkit scroll bar
    // up to date and repaints; paints the toolkit makes on its own (the
    // scroll bar's region, an exposed area) never touch the scroll bar, so
    // they cannot feed each other.
    if (m_framePending || m_painting) return;
    m_framePending = true;
    const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : kFrameMs;
    const int delay = since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since);
    QTimer::singleShot(delay, this, [this] {
        m_framePending = false;
        m_lastFrame.start();
        SyncScrollBar();
        RepaintChangedRows();
    });
}

long RichEditWidget::VisibleRows() const {
    return std::max(0, TextArea().height() + m_rowHeight - 1) / m_rowHeight;
}

QRect RichEditWidget::RowRect(long row) const {
    const QRect area = TextArea();
    return {area.left(), area.top() + static_cast<int>(row) * m_rowHeight, area.width(), m_rowHeight};
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
    if (active && m_caretOn) {
        // The caret after a full last row stands at that row's end.
        const long p = m_selStart;
        const bool afterFullRow = p == length && p > 0 && p % m_rowChars == 0;
        const long caretRow = afterFullRow ? (p - 1) / m_rowChars : p / m_rowChars;
        if (caretRow == row) look.caret = afterFullRow ? m_rowChars : p % m_rowChars;
    }
    return look;
}

void RichEditWidget::RepaintAll() {
    m_repaintAll = true;
    RequestRepaint();
}

void RichEditWidget::RepaintChangedRows() {
    m_painting = true;
    Realize();
    m_painting = false;
    if (m_repaintAll) {
        update();
        return;
    }
    QRegion changed;
    const long rows = VisibleRows();
    for (long row = 0; row < rows; ++row) {
        const auto index = static_cast<std::size_t>(row);
        if (index >= m_shownRows.size() || !(m_shownRows[index] == LookOf(row))) {
            changed += RowRect(row);
        }
    }
    if (!changed.isEmpty()) update(changed);
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
    m_caretOn = true;
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
    m_scrollBar->setVisible(shown);
    RepaintAll();
}

bool RichEditWidget::ScrollBarEnabled() {
    SyncScrollBar();
    m_scrollBar->Apply();
    return m_scrollBarShown && m_scrollBar->isEnabled();
}

void RichEditWidget::SyncScrollBar() {
    const long long span = static_cast<long long>(m_scroll.nMax) - m_scroll.nMin + 1;
    // Shown but disabled while there is nothing to scroll.
    const bool scrollable = span > static_cast<long long>(m_scroll.nPage);
    const int page = static_cast<int>(std::max(1U, m_scroll.nPage));
    m_scrollBar->SetState(scrollable, isEnabled(), m_scroll.nMin,
                          static_cast<int>(static_cast<long long>(m_scroll.nMax) - page + 1), page,
                          m_scroll.nPos);
}

void RichEditWidget::SendScroll(UINT code, int trackPos) {
    m_scroll.nTrackPos = trackPos;
    QPointer<RichEditWidget> guard(this);
    const WPARAM wParam = MAKEWPARAM(code, static_cast<UINT>(std::max(0, trackPos) & 0xFFFF));
    WndRouting::Route(this, WM_VSCROLL, wParam, 0, [] {});
    if (guard) SyncScrollBar();
}

void RichEditWidget::HideCaretAndSelection() {
    m_caretHidden = true;
    // Nothing blinks until the control really gets the focus again.
    m_blink.stop();
    RequestRepaint();
}

void RichEditWidget::UpdateFontMetrics() {
    // Whole-pixel character cells, as the window system lays out a
    // fixed-pitch font.
    const QFontMetricsF metrics(font());
    m_cellWidth = std::max(1, static_cast<int>(std::lround(metrics.horizontalAdvance(u'0'))));
    const QFontMetrics whole(font());
    m_rowHeight = std::max(1, whole.height());
    m_ascent = whole.ascent();
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
    const int scrollWidth = m_scrollBarShown ? m_scrollBar->width() : 0;
    return QRect(kBorder + 1, kBorder, width() - 2 * kBorder - scrollWidth - 1,
                 height() - 2 * kBorder);
}

long RichEditWidget::PositionAt(QPoint point) const {
    Realize();
    const QRect area = TextArea();
    const long length = static_cast<long>(m_text.size());
    const int row = std::max(0, (point.y() - area.top()) / m_rowHeight);
    // The nearest character boundary: a press on a cell's right half puts
    // the caret after it.
    const int column = std::max(0, (point.x() - area.left() + m_cellWidth / 2) / m_cellWidth);
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
    return {area.left() + static_cast<int>(p % m_rowChars) * m_cellWidth,
            area.top() + static_cast<int>(p / m_rowChars) * m_rowHeight};
}

void RichEditWidget::resizeEvent(QResizeEvent*) {
    m_repaintAll = true;
    const int scrollWidth = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - kBorder - scrollWidth, kBorder, scrollWidth,
                             height() - 2 * kBorder);
}

void RichEditWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) UpdateFontMetrics();
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::EnabledChange) {
        RepaintAll();
    }
    QWidget::changeEvent(event);
}

void RichEditWidget::PaintText(QPainter& painter, const QRect& area, const QRect& dirty) {
    const QPalette& pal = palette();
    const long length = static_cast<long>(m_text.size());
    const bool showSelection = hasFocus() && !m_caretHidden && m_selEnd > m_selStart;
    const long firstRow = std::max(0, (dirty.top() - area.top()) / m_rowHeight);
    const long lastRow = std::max(0, (dirty.bottom() - area.top()) / m_rowHeight);
    for (int color = 0; color < 2; ++color) {
        m_glyphs[color].clear();
        m_positions[color].clear();
    }
    for (long row = firstRow; row <= lastRow; ++row) {
        const long rowStart = row * m_rowChars;
        if (rowStart >= length) break;
        const long rowEnd = std::min(length, rowStart + m_rowChars);
        const int y = area.top() + static_cast<int>(row) * m_rowHeight;
        if (showSelection && m_selStart < rowEnd && m_selEnd > rowStart) {
            const long from = std::max(m_selStart, rowStart) - rowStart;
            const long to = std::min(m_selEnd, rowEnd) - rowStart;
            painter.fillRect(area.left() + static_cast<int>(from) * m_cellWidth, y,
                             static_cast<int>(to - from) * m_cellWidth, m_rowHeight,
                             pal.color(QPalette::Highlight));
        }
        for (long p = rowStart; p < rowEnd; ++p) {
            const auto c = static_cast<unsigned char>(m_text[static_cast<std::size_t>(p)]);
            if (c == ' ') continue;
            const int selected = showSelection && p >= m_selStart && p < m_selEnd ? 1 : 0;
            m_glyphs[selected].append(m_glyphOf[c]);
            m_positions[selected].append(
                QPointF(area.left() + static_cast<int>(p - rowStart) * m_cellWidth, y + m_ascent));
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
            painter.drawText(at.x(), at.y() + m_ascent,
                             QString(QChar::fromLatin1(m_text[static_cast<std::size_t>(p)])));
        }
    }
}

void RichEditWidget::paintEvent(QPaintEvent* event) {
    // Requests made while the text is produced are served by this paint.
    m_painting = true;
    Realize();
    m_painting = false;
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
    if (hasFocus() && !m_caretHidden && m_caretOn) {
        const long length = static_cast<long>(m_text.size());
        const long p = m_selStart;
        QPoint at = PointOf(p);
        if (p == length && p > 0 && p % m_rowChars == 0) {
            // The caret after a full last row stands at that row's end.
            at = PointOf(p - 1) + QPoint(m_cellWidth, 0);
        }
        painter.fillRect(at.x(), at.y(), 2, m_rowHeight, pal.color(QPalette::Text));
    }
    // Remember what the rows painted now show.
    const long rows = VisibleRows();
    if (m_shownRows.size() < static_cast<std::size_t>(rows)) {
        m_shownRows.resize(static_cast<std::size_t>(rows));
    }
    for (long row = 0; row < rows; ++row) {
        if (event->region().intersects(RowRect(row))) {
            m_shownRows[static_cast<std::size_t>(row)] = LookOf(row);
        }
    }
    if (QRegion(area).subtracted(event->region()).isEmpty()) m_repaintAll = false;
}

bool RichEditWidget::event(QEvent* event) {
    if (IsControlTab(*event)) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void RichEditWidget::keyPressEvent(QKeyEvent* event) {
    // Keys have no default handling here: a pane decides what they do.
    event->setAccepted(RouteKeyPress(this, *event, [](UINT) {}, [](unsigned char) {}));
}

void RichEditWidget::keyReleaseEvent(QKeyEvent* event) {
    event->setAccepted(RouteKeyRelease(this, *event));
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

void RichEditWidget::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

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
    m_caretOn = true;
    m_blink.start();
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
    m_blink.stop();
    RequestRepaint();
}
