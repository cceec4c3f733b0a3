#include "framework/RichEditWidget.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "framework/WindowSystem.h"

namespace {
constexpr int kBorder = 1;
}

RichEditWidget::RichEditWidget(QWidget* parent, DWORD style)
    : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    m_scroll.nMax = 0;
    m_scroll.nPage = 0;
    m_scrollBar->setEnabled(false);
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (m_syncingScrollBar) return;
        const int track = m_scrollBar->sliderPosition();
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            SendScroll(SB_LINEDOWN, track);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            SendScroll(SB_LINEUP, track);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            SendScroll(SB_PAGEDOWN, track);
            break;
        case QAbstractSlider::SliderPageStepSub:
            SendScroll(SB_PAGEUP, track);
            break;
        case QAbstractSlider::SliderToMinimum:
            SendScroll(SB_TOP, track);
            break;
        case QAbstractSlider::SliderToMaximum:
            SendScroll(SB_BOTTOM, track);
            break;
        case QAbstractSlider::SliderMove:
            SendScroll(SB_THUMBTRACK, track);
            break;
        default:
            break;
        }
    });
    connect(m_scrollBar, &QScrollBar::sliderReleased, this, [this] {
        SendScroll(SB_THUMBPOSITION, m_scrollBar->sliderPosition());
        SendScroll(SB_ENDSCROLL, m_scrollBar->sliderPosition());
    });
    m_blink.setInterval(QApplication::cursorFlashTime() > 0 ? QApplication::cursorFlashTime() / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        update();
    });
}

std::string RichEditWidget::GetText() const { return Text(); }

void RichEditWidget::SetText(std::string_view text) {
    Realize();
    m_text.assign(text.substr(0, static_cast<std::size_t>(std::max(0L, m_limit))));
    m_selStart = m_selEnd = m_anchor = 0;
    update();
}

void RichEditWidget::Realize() const {
    if (!m_realize || m_realizing) return;
    m_realizing = true;
    m_realize();
    m_realizing = false;
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
    update();
}

void RichEditWidget::ReplaceSelection(std::string_view text) {
    Realize();
    const long room = std::max(0L, m_limit - (static_cast<long>(m_text.size()) - (m_selEnd - m_selStart)));
    if (static_cast<long>(text.size()) > room) text = text.substr(0, static_cast<std::size_t>(room));
    m_text.replace(static_cast<std::size_t>(m_selStart), static_cast<std::size_t>(m_selEnd - m_selStart),
                   text);
    m_selStart = m_selEnd = m_anchor = m_selStart + static_cast<long>(text.size());
    update();
}

void RichEditWidget::SetRowChars(int chars) {
    m_rowChars = std::max(1, chars);
    update();
}

void RichEditWidget::SetScrollState(const SCROLLINFO& info) {
    if (info.fMask & SIF_RANGE) {
        m_scroll.nMin = info.nMin;
        m_scroll.nMax = info.nMax;
    }
    if (info.fMask & SIF_PAGE) m_scroll.nPage = info.nPage;
    if (info.fMask & SIF_POS) m_scroll.nPos = info.nPos;
    // The position stays within what the range and page allow.
    const int top = std::max(m_scroll.nMin, m_scroll.nMax - static_cast<int>(std::max(1U, m_scroll.nPage)) + 1);
    m_scroll.nPos = std::clamp(m_scroll.nPos, m_scroll.nMin, top);
    m_scroll.nTrackPos = m_scroll.nPos;
    update();
}

void RichEditWidget::SetScrollBarShown(bool shown) {
    m_scrollBarShown = shown;
    m_scrollBar->setVisible(shown);
    update();
}

void RichEditWidget::SyncScrollBar() {
    m_syncingScrollBar = true;
    const long long span = static_cast<long long>(m_scroll.nMax) - m_scroll.nMin + 1;
    const bool scrollable = span > static_cast<long long>(m_scroll.nPage);
    m_scrollBar->setEnabled(scrollable && isEnabled());
    if (scrollable) {
        m_scrollBar->setRange(m_scroll.nMin, m_scroll.nMax - static_cast<int>(m_scroll.nPage) + 1);
        m_scrollBar->setPageStep(static_cast<int>(std::max(1U, m_scroll.nPage)));
        m_scrollBar->setSingleStep(1);
        if (!m_scrollBar->isSliderDown()) m_scrollBar->setSliderPosition(m_scroll.nPos);
        m_scrollBar->setValue(m_scroll.nPos);
    } else {
        m_scrollBar->setRange(0, 0);
    }
    m_syncingScrollBar = false;
}

void RichEditWidget::SendScroll(UINT code, int trackPos) {
    m_scroll.nTrackPos = trackPos;
    QPointer<RichEditWidget> guard(this);
    WndRouting::Route(this, WM_VSCROLL, MAKEWPARAM(code, static_cast<UINT>(std::max(0, trackPos) & 0xFFFF)),
                      0, [] {});
    if (guard) SyncScrollBar();
}

int RichEditWidget::CellWidth() const {
    // Whole-pixel character cells, as the window system lays out a fixed-pitch font.
    return std::max(1, static_cast<int>(std::lround(QFontMetricsF(font()).horizontalAdvance(u'0'))));
}

int RichEditWidget::RowHeight() const { return std::max(1, QFontMetrics(font()).height()); }

QRect RichEditWidget::TextArea() const {
    const int scrollWidth = m_scrollBarShown ? m_scrollBar->width() : 0;
    return QRect(kBorder + 1, kBorder, width() - 2 * kBorder - scrollWidth - 1, height() - 2 * kBorder);
}

long RichEditWidget::PositionAt(QPoint point) const {
    Realize();
    const QRect area = TextArea();
    const long length = static_cast<long>(m_text.size());
    const int row = std::max(0, (point.y() - area.top()) / RowHeight());
    const int column = std::max(0, (point.x() - area.left() + CellWidth() / 2) / CellWidth());
    const long rows = (length + m_rowChars - 1) / m_rowChars;
    if (row >= rows) return length;
    const long rowStart = static_cast<long>(row) * m_rowChars;
    const long rowEnd = std::min(length, rowStart + m_rowChars);
    const long p = rowStart + column;
    if (p < rowEnd) return p;
    // A click right of a row's text lands at the row's end: the end of the
    // text on the last row, the row's last character on the others (its
    // end position would already belong to the next row).
    return rowEnd == length ? length : rowEnd - 1;
}

void RichEditWidget::resizeEvent(QResizeEvent*) {
    const int scrollWidth = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - kBorder - scrollWidth, kBorder, scrollWidth, height() - 2 * kBorder);
}

void RichEditWidget::paintEvent(QPaintEvent*) {
    Realize();
    SyncScrollBar();
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect area = TextArea();
    painter.setClipRect(area);
    painter.setFont(font());
    const int cell = CellWidth();
    const int rowHeight = RowHeight();
    const int ascent = QFontMetrics(font()).ascent();
    const long length = static_cast<long>(m_text.size());
    const bool showSelection = hasFocus() && !m_caretHidden && m_selEnd > m_selStart;
    for (long rowStart = 0, row = 0; rowStart < length; rowStart += m_rowChars, ++row) {
        const int y = area.top() + static_cast<int>(row) * rowHeight;
        if (y > area.bottom()) break;
        const long rowEnd = std::min(length, rowStart + m_rowChars);
        for (long p = rowStart; p < rowEnd; ++p) {
            const int x = area.left() + static_cast<int>(p - rowStart) * cell;
            const bool selected = showSelection && p >= m_selStart && p < m_selEnd;
            if (selected) painter.fillRect(x, y, cell, rowHeight, pal.color(QPalette::Highlight));
            painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
            const char c = m_text[static_cast<std::size_t>(p)];
            if (c != ' ') painter.drawText(x, y + ascent, QString(QChar(static_cast<uchar>(c))));
        }
    }
    if (hasFocus() && !m_caretHidden && m_caretOn) {
        const long p = m_selStart;
        long row = p / m_rowChars;
        long column = p % m_rowChars;
        if (p == length && p > 0 && column == 0) {
            // The caret after a full last row stands at that row's end.
            row -= 1;
            column = m_rowChars;
        }
        const int x = area.left() + static_cast<int>(column) * cell;
        const int y = area.top() + static_cast<int>(row) * rowHeight;
        painter.fillRect(x, y, 2, rowHeight, pal.color(QPalette::Text));
    }
}

bool RichEditWidget::event(QEvent* event) {
    // Tab belongs to the pane; Ctrl+Tab is left to the dialog manager.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & Qt::ControlModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void RichEditWidget::keyPressEvent(QKeyEvent* event) {
    const KeyMessage key = TranslateKey(*event);
    QPointer<RichEditWidget> guard(this);
    if (key.vk != 0) {
        SetCurrentKeyModifiers(event->modifiers());
        // Key-downs have no default handling here: a pane decides what they do.
        WndRouting::Route(this, WM_KEYDOWN, key.vk, key.KeyDownLParam(event->isAutoRepeat()), [] {});
    }
    if (!guard) return;
    for (unsigned char c : CharactersOf(*event)) {
        WndRouting::Route(this, WM_CHAR, c, key.KeyDownLParam(event->isAutoRepeat()), [] {});
        if (!guard) return;
    }
    event->accept();
}

void RichEditWidget::keyReleaseEvent(QKeyEvent* event) {
    const KeyMessage key = TranslateKey(*event);
    if (key.vk != 0 && !event->isAutoRepeat()) {
        WndRouting::Route(this, WM_KEYUP, key.vk, key.KeyUpLParam(), [] {});
    }
    event->accept();
}

void RichEditWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    const LPARAM lParam = static_cast<LPARAM>((static_cast<DWORD>(point.y() & 0xFFFF) << 16) |
                                              (static_cast<DWORD>(point.x()) & 0xFFFF));
    WndRouting::Route(this, WM_LBUTTONDOWN, 1, lParam, [this, point] {
        setFocus(Qt::MouseFocusReason);
        const long p = PositionAt(point);
        SetSelection(p, p);
        m_dragging = true;
    });
}

void RichEditWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const long p = PositionAt(event->position().toPoint());
    const long anchor = m_anchor;
    m_selStart = std::min(anchor, p);
    m_selEnd = std::max(anchor, p);
    update();
}

void RichEditWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    const LPARAM lParam = static_cast<LPARAM>((static_cast<DWORD>(point.y() & 0xFFFF) << 16) |
                                              (static_cast<DWORD>(point.x()) & 0xFFFF));
    WndRouting::Route(this, WM_LBUTTONUP, 0, lParam, [this] { m_dragging = false; });
    m_dragging = false;
}

void RichEditWidget::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void RichEditWidget::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 40;
    for (int i = 0; i < std::abs(steps); ++i) SendScroll(steps > 0 ? SB_LINEUP : SB_LINEDOWN, m_scroll.nPos);
    event->accept();
}

void RichEditWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_caretHidden = false;
    m_caretOn = true;
    m_blink.start();
    update();
    WndRouting::NotifyParent(this, EN_SETFOCUS);
}

void RichEditWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_blink.stop();
    update();
}
