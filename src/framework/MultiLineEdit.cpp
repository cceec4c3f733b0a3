#include "framework/MultiLineEdit.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "framework/WindowSystem.h"

namespace {
constexpr long kLargestLimit = 0x7FFFFFFE;
constexpr int kMargin = 2;
}  // namespace

MultiLineEditWidget::MultiLineEditWidget(QWidget* parent, DWORD style)
    : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_readOnly = (style & ES_READONLY) != 0;
    m_scrollBar->setVisible((style & WS_VSCROLL) != 0);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        m_topRow = value;
        update();
    });
}

void MultiLineEditWidget::SetText(std::string_view text) {
    m_text.assign(text.substr(0, static_cast<std::size_t>(m_limit)));
    m_selStart = m_selEnd = 0;
    update();
}

void MultiLineEditWidget::SetSelection(long start, long end) {
    const long length = static_cast<long>(m_text.size());
    if (start < 0) {
        start = end = length;  // -1 removes the selection and puts the caret at the end
    }
    if (end < 0) end = length;
    start = std::clamp(start, 0L, length);
    end = std::clamp(end, 0L, length);
    m_selStart = std::min(start, end);
    m_selEnd = std::max(start, end);
    update();
}

void MultiLineEditWidget::ReplaceSelection(std::string_view text) {
    const long kept = static_cast<long>(m_text.size()) - (m_selEnd - m_selStart);
    const long room = std::max(0L, m_limit - kept);
    if (static_cast<long>(text.size()) > room) text = text.substr(0, static_cast<std::size_t>(room));
    m_text.replace(static_cast<std::size_t>(m_selStart), static_cast<std::size_t>(m_selEnd - m_selStart),
                   text);
    m_selStart = m_selEnd = m_selStart + static_cast<long>(text.size());
    update();
}

void MultiLineEditWidget::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    update();
}

void MultiLineEditWidget::SetLimit(long limit) { m_limit = limit > 0 ? limit : kLargestLimit; }

int MultiLineEditWidget::ColumnsPerRow() const {
    const int cell = std::max(1, QFontMetrics(font()).horizontalAdvance(u'0'));
    const int scroll = m_scrollBar->isVisible() ? m_scrollBar->width() : 0;
    return std::max(1, (width() - 2 * kMargin - scroll) / cell);
}

std::vector<MultiLineEditWidget::Row> MultiLineEditWidget::Layout() const {
    std::vector<Row> rows;
    const int columns = ColumnsPerRow();
    const long length = static_cast<long>(m_text.size());
    long lineStart = 0;
    while (true) {
        long lineEnd = lineStart;
        while (lineEnd < length && !(m_text[static_cast<std::size_t>(lineEnd)] == '\r' &&
                                     lineEnd + 1 < length &&
                                     m_text[static_cast<std::size_t>(lineEnd + 1)] == '\n')) {
            ++lineEnd;
        }
        long start = lineStart;
        do {
            const long count = std::min<long>(columns, lineEnd - start);
            rows.push_back({start, count});
            start += count;
        } while (start < lineEnd);
        if (lineEnd >= length) break;
        lineStart = lineEnd + 2;
    }
    return rows;
}

int MultiLineEditWidget::DisplayRowCount() const { return static_cast<int>(Layout().size()); }

void MultiLineEditWidget::ScrollCaretIntoView() {
    const std::vector<Row> rows = Layout();
    int caretRow = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].start <= m_selStart) caretRow = static_cast<int>(i);
    }
    const int visible = std::max(1, (height() - 2 * kMargin) / QFontMetrics(font()).height());
    if (caretRow < m_topRow) m_topRow = caretRow;
    if (caretRow >= m_topRow + visible) m_topRow = caretRow - visible + 1;
    m_scrollBar->setRange(0, std::max(0, static_cast<int>(rows.size()) - visible));
    m_scrollBar->setPageStep(visible);
    m_scrollBar->setValue(m_topRow);
    update();
}

void MultiLineEditWidget::resizeEvent(QResizeEvent*) {
    const int w = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - w - 1, 1, w, height() - 2);
}

void MultiLineEditWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(m_readOnly ? QPalette::Window : QPalette::Base));
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    painter.setPen(pal.color(QPalette::Text));
    const QFontMetrics metrics(font());
    const std::vector<Row> rows = Layout();
    int y = kMargin;
    for (std::size_t i = static_cast<std::size_t>(m_topRow); i < rows.size() && y < height(); ++i) {
        const Row& row = rows[i];
        QString text = QString::fromLatin1(m_text.data() + row.start, static_cast<qsizetype>(row.length));
        painter.drawText(kMargin, y + metrics.ascent(), text);
        if (hasFocus() && m_selStart >= row.start && m_selStart <= row.start + row.length &&
            (i + 1 == rows.size() || m_selStart < rows[i + 1].start)) {
            const int x = kMargin + metrics.horizontalAdvance(text.left(m_selStart - row.start));
            painter.fillRect(x, y, 1, metrics.height(), pal.color(QPalette::Text));
        }
        y += metrics.height();
    }
}

bool MultiLineEditWidget::event(QEvent* event) {
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

void MultiLineEditWidget::keyPressEvent(QKeyEvent* event) {
    const KeyMessage key = TranslateKey(*event);
    QPointer<MultiLineEditWidget> guard(this);
    if (key.vk != 0) {
        WndRouting::Route(this, WM_KEYDOWN, key.vk, key.KeyDownLParam(event->isAutoRepeat()), [] {});
    }
    if (!guard) return;
    for (unsigned char c : CharactersOf(*event)) {
        WndRouting::Route(this, WM_CHAR, c, key.KeyDownLParam(event->isAutoRepeat()), [this, c] {
            if (m_readOnly) return;
            if (c == '\r') {
                ReplaceSelection("\r\n");
            } else if (c == '\b') {
                if (m_selStart == m_selEnd && m_selStart > 0) SetSelection(m_selStart - 1, m_selStart);
                ReplaceSelection({});
            } else {
                ReplaceSelection(std::string(1, static_cast<char>(c)));
            }
        });
        if (!guard) return;
    }
    event->accept();
}

void MultiLineEditWidget::keyReleaseEvent(QKeyEvent* event) {
    const KeyMessage key = TranslateKey(*event);
    if (key.vk != 0 && !event->isAutoRepeat()) {
        WndRouting::Route(this, WM_KEYUP, key.vk, key.KeyUpLParam(), [] {});
    }
}

void MultiLineEditWidget::RouteMouse(UINT message, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    const LPARAM lParam = static_cast<LPARAM>((static_cast<DWORD>(point.y() & 0xFFFF) << 16) |
                                              (static_cast<DWORD>(point.x()) & 0xFFFF));
    WndRouting::Route(this, message, 0, lParam, [this] { setFocus(Qt::MouseFocusReason); });
}

void MultiLineEditWidget::mousePressEvent(QMouseEvent* event) { RouteMouse(WM_LBUTTONDOWN, event); }

void MultiLineEditWidget::mouseReleaseEvent(QMouseEvent* event) { RouteMouse(WM_LBUTTONUP, event); }

void MultiLineEditWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    RouteMouse(WM_LBUTTONDBLCLK, event);
}

void MultiLineEditWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    WndRouting::NotifyParent(this, EN_SETFOCUS);
}
