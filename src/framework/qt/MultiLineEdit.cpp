#include "framework/qt/MultiLineEdit.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "framework/qt/WindowSystem.h"

namespace {

constexpr long kLargestLimit = 0x7FFFFFFE;
constexpr int kMargin = 2;
constexpr int kWheelLines = 3;
// What a control character shows as: a box, as the classic control draws it.
constexpr char16_t kControlGlyph = u'\u25AF';

bool IsLineBreakAt(const std::string& text, long position) {
    return position >= 0 && position + 1 < static_cast<long>(text.size()) &&
           text[static_cast<std::size_t>(position)] == '\r' &&
           text[static_cast<std::size_t>(position + 1)] == '\n';
}

}  // namespace

MultiLineEditWidget::MultiLineEditWidget(QWidget* parent, DWORD style)
    : FixedPitchTextView(parent, style) {
    // Input methods (Hangul, for one) type into the control; their
    // committed text arrives as characters.
    setAttribute(Qt::WA_InputMethodEnabled);
    m_readOnly = (style & ES_READONLY) != 0;
    ScrollBar()->setVisible((style & WS_VSCROLL) != 0);
    ScrollBar()->setCursor(Qt::ArrowCursor);
}

void MultiLineEditWidget::Frame() {
    RepaintChangedRows();
    // The input method's candidate window follows the caret.
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

// ---- Text and selection ----

void MultiLineEditWidget::SetText(std::string_view text) {
    // The window text is a C string: it ends at the first NUL.
    m_text.assign(text.substr(0, std::min(text.size(), text.find('\0'))));
    m_layoutValid = false;
    m_anchor = m_caret = 0;
    m_topRow = 0;
    m_followCaret = true;
    RequestRepaint();
}

void MultiLineEditWidget::SetSelection(long start, long end) {
    const long length = TextLength();
    if (start < 0) {
        m_anchor = m_caret;
    } else {
        if (end < 0 || end > length) end = length;
        m_anchor = std::min(start, length);
        m_caret = end;
    }
    ShowCaretNow();
    RequestRepaint();
}

void MultiLineEditWidget::ReplaceSelection(std::string_view text) {
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    const long start = SelectionStart();
    const long end = SelectionEnd();
    const long room = std::max(0L, m_limit - (TextLength() - (end - start)));
    if (static_cast<long>(text.size()) > room)
        text = text.substr(0, static_cast<std::size_t>(room));
    Replace(start, end, text);
    m_anchor = m_caret = start + static_cast<long>(text.size());
    m_followCaret = true;
}

void MultiLineEditWidget::ClearSelection() {
    if (m_readOnly || m_anchor == m_caret) return;
    const long start = SelectionStart();
    Replace(start, SelectionEnd(), {});
    m_anchor = m_caret = start;
    m_followCaret = true;
}

void MultiLineEditWidget::Replace(long start, long end, std::string_view text) {
    EnsureLayout();
    m_text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), text);
    m_layout.Update(m_text, start, end, start + static_cast<long>(text.size()));
    ShowCaretNow();
    RequestRepaint();
}

void MultiLineEditWidget::SetReadOnly(bool readOnly) {
    // The background shows whether the control is read-only.
    if (readOnly != m_readOnly) RepaintAll();
    m_readOnly = readOnly;
}

void MultiLineEditWidget::SetLimit(long limit) {
    m_limit = limit > 0 ? limit : kLargestLimit;
}

// ---- Layout and view ----

QRect MultiLineEditWidget::TextArea() const {
    // isHidden, not isVisible: the bar counts before the window is shown.
    const int bar = ScrollBar()->isHidden() ? 0 : ScrollBarWidth();
    return QRect(kBorder + kMargin, kBorder, std::max(0, width() - 2 * kBorder - kMargin - bar),
                 std::max(0, height() - 2 * kBorder));
}

void MultiLineEditWidget::EnsureLayout() {
    const int columns = std::max(1, TextArea().width() / CellWidth());
    if (m_layoutValid && columns == m_layout.Columns()) return;
    m_layout.Reset(m_text, columns);
    m_layoutValid = true;
}

int MultiLineEditWidget::DisplayRowCount() {
    EnsureLayout();
    return static_cast<int>(std::min<long>(m_layout.RowCount(), INT_MAX));
}

int MultiLineEditWidget::ColumnsPerRow() {
    EnsureLayout();
    return m_layout.Columns();
}

int MultiLineEditWidget::VisibleRows() const {
    return std::max(1, TextArea().height() / RowHeight());
}

int MultiLineEditWidget::TopRow() {
    Sync();
    return static_cast<int>(m_topRow);
}

void MultiLineEditWidget::ScrollCaretIntoView() {
    m_followCaret = true;
    RequestRepaint();
}

void MultiLineEditWidget::Sync() {
    EnsureLayout();
    const long visible = VisibleRows();
    if (m_followCaret) {
        // As little scrolling as shows the caret's row.
        const long row = m_layout.PlaceOf(m_text, m_caret).row;
        if (row < m_topRow) m_topRow = row;
        if (row >= m_topRow + visible) m_topRow = row - visible + 1;
        m_followCaret = false;
    }
    m_topRow = std::clamp(m_topRow, 0L, std::max(0L, m_layout.RowCount() - visible));
    SyncScrollBar();
}

void MultiLineEditWidget::SyncScrollBar() {
    const long visible = VisibleRows();
    const long rows = m_layout.RowCount();
    const int top = static_cast<int>(std::min<long>(std::max(0L, rows - visible), INT_MAX));
    ShowScrollState(rows > visible, 0, top, static_cast<int>(visible), static_cast<int>(m_topRow));
}

QRect MultiLineEditWidget::RowBand() const {
    const QRect area = TextArea();
    return {kBorder, area.top(), area.right() + 1 - kBorder, area.height()};
}

MultiLineEditWidget::FrameMarks MultiLineEditWidget::MarksNow() const {
    FrameMarks marks;
    marks.selStart = SelectionStart();
    marks.selEnd = SelectionEnd();
    const bool focused = hasFocus();
    marks.showSelection = focused && marks.selEnd > marks.selStart;
    marks.composing = focused && !m_preedit.isEmpty();
    const bool caretShown = focused && CaretOn() && marks.selStart == marks.selEnd;
    if (m_layoutValid && (marks.composing || caretShown)) {
        const TextRowLayout::Place place = m_layout.PlaceOf(m_text, m_caret);
        marks.caretRow = place.row;
        marks.caretColumn = place.column;
    }
    return marks;
}

MultiLineEditWidget::RowLook MultiLineEditWidget::LookOf(long row, const FrameMarks& marks) const {
    RowLook look;
    if (row >= m_layout.RowCount()) return look;
    const TextRowLayout::RowSpan span = m_layout.Row(m_text, row);
    look.text.assign(m_text, static_cast<std::size_t>(span.start),
                     static_cast<std::size_t>(span.end - span.start));
    if (marks.showSelection && marks.selStart < span.end && marks.selEnd > span.start) {
        look.selectedFrom = std::max(marks.selStart, span.start) - span.start;
        look.selectedTo = std::min(marks.selEnd, span.end) - span.start;
    }
    if (row == marks.caretRow) {
        look.caret = marks.caretColumn;
        look.composing = marks.composing;
    }
    return look;
}

void MultiLineEditWidget::RepaintChangedRows() {
    Sync();
    const FrameMarks marks = MarksNow();
    FixedPitchTextView::RepaintChangedRows(
        [&](long index) { return LookOf(m_topRow + index, marks); });
}

void MultiLineEditWidget::ScrollTo(long topRow) {
    m_topRow = topRow;
    Sync();
    update();
}

void MultiLineEditWidget::SendScroll(UINT code, int trackPos) {
    RouteScroll(code, trackPos, [this, code, trackPos] { ApplyScroll(code, trackPos); });
}

void MultiLineEditWidget::ApplyScroll(UINT code, int trackPos) {
    Sync();
    const long page = VisibleRows();
    switch (code) {
    case SB_LINEUP:
        ScrollTo(m_topRow - 1);
        break;
    case SB_LINEDOWN:
        ScrollTo(m_topRow + 1);
        break;
    case SB_PAGEUP:
        ScrollTo(m_topRow - page);
        break;
    case SB_PAGEDOWN:
        ScrollTo(m_topRow + page);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        ScrollTo(trackPos);
        break;
    case SB_TOP:
        ScrollTo(0);
        break;
    case SB_BOTTOM:
        ScrollTo(m_layout.RowCount());
        break;
    default:
        break;
    }
}

long MultiLineEditWidget::PositionAt(QPoint point) {
    Sync();
    const QRect area = TextArea();
    const int dy = point.y() - area.top();
    const long row = m_topRow + (dy < 0 ? -1 : dy / RowHeight());
    if (row < 0) return 0;
    const long column = std::max(0, (point.x() - area.left() + CellWidth() / 2) / CellWidth());
    return m_layout.PositionAt(m_text, row, column);
}

// ---- Painting ----

void MultiLineEditWidget::paintEvent(QPaintEvent* event) {
    Sync();
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRegion& region = event->region();
    const QColor background =
        pal.color(m_readOnly || !isEnabled() ? QPalette::Window : QPalette::Base);
    for (const QRect& part : region)
        FillOnThisThread(painter, part.intersected(rect()), background);
    FrameOnThisThread(painter, rect(), pal.color(QPalette::Mid));
    const QRect area = TextArea();
    painter.setClipRect(area);
    QFont font = this->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, LetterSpacing());
    painter.setFont(font);
    painter.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));

    const FrameMarks marks = MarksNow();
    const long rows = PaintedRows();
    for (long index = 0; index < rows; ++index) {
        if (region.intersects(RowRect(index))) {
            PaintRow(painter, m_topRow + index, area.top() + static_cast<int>(index) * RowHeight(),
                     marks);
        }
    }

    const QRect caret = CaretRect();
    if (marks.composing) {
        // The composition stands at the caret, underlined, over what is there.
        QFont composing = font;
        composing.setUnderline(true);
        painter.setFont(composing);
        const int width = painter.fontMetrics().horizontalAdvance(m_preedit);
        painter.fillRect(caret.left(), caret.top(), width, RowHeight(), pal.color(QPalette::Base));
        painter.drawText(caret.left(), caret.top() + Ascent(), m_preedit);
    } else if (marks.caretRow >= 0 && !caret.isEmpty()) {
        painter.fillRect(caret, pal.color(QPalette::Text));
    }

    RememberPaintedRows(region, rect(),
                        [&](long index) { return LookOf(m_topRow + index, marks); });
}

void MultiLineEditWidget::PaintRow(QPainter& painter, long row, int y, const FrameMarks& marks) {
    if (row >= m_layout.RowCount()) return;
    const QRect area = TextArea();
    const TextRowLayout::RowSpan span = m_layout.Row(m_text, row);
    // One string per row, cell-aligned: tabs become spaces up to their
    // stop, control characters a box; other bytes are UTF-8 text.
    m_shown.clear();
    m_run.clear();
    long cell = 0;
    long highlightFrom = -1;
    long highlightTo = -1;
    for (long p = span.start; p < span.end; ++p) {
        const auto c = static_cast<unsigned char>(m_text[static_cast<std::size_t>(p)]);
        const long next = m_layout.Advance(static_cast<char>(c), cell);
        if (marks.showSelection && p >= marks.selStart && p < marks.selEnd) {
            if (highlightFrom < 0) highlightFrom = cell;
            highlightTo = next;
        }
        if (c == '\t' || c < 0x20 || c == 0x7F) {
            m_shown += QString::fromUtf8(m_run.data(), static_cast<qsizetype>(m_run.size()));
            m_run.clear();
            if (c == '\t') {
                m_shown += QString(static_cast<qsizetype>(next - cell), u' ');
            } else {
                m_shown += QChar(kControlGlyph);
            }
        } else {
            m_run.push_back(static_cast<char>(c));
        }
        cell = next;
    }
    m_shown += QString::fromUtf8(m_run.data(), static_cast<qsizetype>(m_run.size()));
    if (highlightFrom >= 0) {
        painter.fillRect(area.left() + static_cast<int>(highlightFrom) * CellWidth(), y,
                         static_cast<int>(highlightTo - highlightFrom) * CellWidth(), RowHeight(),
                         palette().color(QPalette::Highlight));
    }
    if (!m_shown.isEmpty()) painter.drawText(area.left(), y + Ascent(), m_shown);
}

QRect MultiLineEditWidget::CaretRect() const {
    if (!m_layoutValid) return {};
    const TextRowLayout::Place place = m_layout.PlaceOf(m_text, m_caret);
    const long visibleRow = place.row - m_topRow;
    if (visibleRow < 0 || visibleRow > VisibleRows()) return {};
    const QRect area = TextArea();
    return {area.left() + static_cast<int>(place.column) * CellWidth(),
            area.top() + static_cast<int>(visibleRow) * RowHeight(), 1, RowHeight()};
}

// ---- Input ----

void MultiLineEditWidget::keyPressEvent(QKeyEvent* event) {
    event->setAccepted(RouteKeyPress(
        this, *event, [this](UINT vk) { DefaultKeyDown(vk); },
        [this](unsigned char c) { DefaultChar(c); }));
}

void MultiLineEditWidget::inputMethodEvent(QInputMethodEvent* event) {
    // The committed text is typed, whatever the composition was; the
    // control's own text changes only through what its owner does with it.
    const std::string committed = ToUtf8(event->commitString());
    m_preedit = event->preeditString();
    update();
    event->accept();
    if (!committed.empty())
        RouteCharacters(this, committed, [this](unsigned char c) { DefaultChar(c); });
}

QVariant MultiLineEditWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return CaretRect();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        // The input method composes on its own: nothing around the caret
        // is there to be changed.
        return 0;
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection:
        return QString();
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhNoPredictiveText);
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void MultiLineEditWidget::DefaultKeyDown(UINT vk) {
    // The control's only user (the terminal) takes every key itself; of the
    // keys, only the page keys scroll the view here.
    if (vk == VK_PRIOR) ApplyScroll(SB_PAGEUP, 0);
    if (vk == VK_NEXT) ApplyScroll(SB_PAGEDOWN, 0);
}

void MultiLineEditWidget::DefaultChar(unsigned char c) {
    if (m_readOnly) return;
    if (c == '\r') {
        ReplaceSelection("\r\n");
    } else if (c == '\b') {
        if (m_anchor == m_caret) {
            if (m_caret == 0) return;
            SetSelection(IsLineBreakAt(m_text, m_caret - 2) ? m_caret - 2 : m_caret - 1, m_caret);
        }
        ClearSelection();
    } else if (c == '\t' || c >= 0x20) {
        const char one = static_cast<char>(c);
        ReplaceSelection(std::string_view(&one, 1));
    }
}

void MultiLineEditWidget::RouteMouse(UINT message, QMouseEvent* event, bool placeCaret) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    const WPARAM keys = message == WM_LBUTTONUP ? 0 : 1;  // MK_LBUTTON while the button is down
    WndRouting::Route(this, message, keys, PointLParam(point), [this, point, placeCaret] {
        setFocus(Qt::MouseFocusReason);
        if (!placeCaret) {
            m_dragging = false;
            return;
        }
        const long p = PositionAt(point);
        SetSelection(p, p);
        m_dragging = true;
    });
}

void MultiLineEditWidget::mousePressEvent(QMouseEvent* event) {
    RouteMouse(WM_LBUTTONDOWN, event, true);
}

void MultiLineEditWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const long p = PositionAt(event->position().toPoint());
    SetSelection(m_anchor, p);
}

void MultiLineEditWidget::mouseReleaseEvent(QMouseEvent* event) {
    RouteMouse(WM_LBUTTONUP, event, false);
    m_dragging = false;
}

void MultiLineEditWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    RouteMouse(WM_LBUTTONDBLCLK, event, true);
}

void MultiLineEditWidget::wheelEvent(QWheelEvent* event) {
    const int lines = event->angleDelta().y() * kWheelLines / 120;
    QPointer<MultiLineEditWidget> guard(this);
    for (int i = 0; i < std::abs(lines) && guard; ++i) {
        SendScroll(lines > 0 ? SB_LINEUP : SB_LINEDOWN, ScrollBar()->value());
    }
    event->accept();
}

void MultiLineEditWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    StartBlinking();
    update();
    WndRouting::NotifyParent(this, EN_SETFOCUS);
}

void MultiLineEditWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_preedit.clear();
    StopBlinking();
    update();
}

void MultiLineEditWidget::resizeEvent(QResizeEvent* event) {
    FixedPitchTextView::resizeEvent(event);
    update();
}
