#include "framework/qt/FixedPitchTextView.h"

#include <QApplication>
#include <QBackingStore>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "framework/qt/WindowSystem.h"

FixedPitchTextView::FixedPitchTextView(QWidget* parent, DWORD style)
    : QWidget(parent), m_scrollBar(new TextScrollBar(this)) {
    setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    m_scrollBarWidth = m_scrollBar->sizeHint().width();
    ForwardScrollRequests(m_scrollBar, m_scrollBar->Applying(),
                          [this](UINT code, int track) { SendScroll(code, track); });
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, [this] {
        m_lastFrame.start();
        Frame();
    });
    const int flash = QApplication::cursorFlashTime();
    m_blink.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        RequestRepaint();
    });
    MeasureCells();
}

void FixedPitchTextView::RequestRepaint() {
    // At most one frame per display frame: a control may change thousands
    // of times a second under a flood, and a paint of a full view costs
    // hundreds of microseconds. A frame that has waited a display frame
    // since the last one runs at once.
    if (m_frame.isActive() || m_requestsMuted) return;
    const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : kFrameMs;
    m_frame.start(since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since));
}

void FixedPitchTextView::RepaintAll() {
    m_repaintAll = true;
    RequestRepaint();
}

long FixedPitchTextView::PaintedRows() const {
    return std::max(0, TextArea().height() + m_rowHeight - 1) / m_rowHeight;
}

QRect FixedPitchTextView::RowRect(long index) const {
    const QRect band = RowBand();
    return QRect(band.left(), band.top() + static_cast<int>(index) * m_rowHeight, band.width(),
                 m_rowHeight)
        .intersected(band);
}

bool FixedPitchTextView::PaintsScreen() {
    QBackingStore* store = backingStore();
    return store && redirected(nullptr) == store->paintDevice();
}

void FixedPitchTextView::MeasureCells() {
    // Whole-pixel character cells, as the window system lays out a
    // fixed-pitch font.
    const QFontMetricsF metrics(font());
    const double advance = metrics.horizontalAdvance(u'0');
    m_cellWidth = std::max(1, static_cast<int>(std::lround(advance)));
    m_letterSpacing = m_cellWidth - advance;
    const QFontMetrics whole(font());
    m_rowHeight = std::max(1, whole.height());
    m_ascent = whole.ascent();
}

void FixedPitchTextView::StartBlinking() {
    m_caretOn = true;
    m_blink.start();
}

void FixedPitchTextView::ShowScrollState(bool scrollable, int minimum, int maximum, int page,
                                         int position) {
    m_scrollBar->SetState(scrollable, isEnabled(), minimum, maximum, page, position);
}

void FixedPitchTextView::RouteScroll(UINT code, int trackPos,
                                     const std::function<void()>& byDefault) {
    QPointer<FixedPitchTextView> guard(this);
    const WPARAM wParam = MAKEWPARAM(code, static_cast<UINT>(std::max(0, trackPos)) & 0xFFFF);
    WndRouting::Route(this, WM_VSCROLL, wParam, 0, byDefault);
    if (guard) SyncScrollBar();
}

bool FixedPitchTextView::event(QEvent* event) {
    // Control+Tab reaches the control as a key, like any other.
    if (IsControlTab(*event)) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void FixedPitchTextView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        MeasureCells();
        CellsChanged();
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::EnabledChange) {
        LookChanged();
    }
    QWidget::changeEvent(event);
}

void FixedPitchTextView::keyReleaseEvent(QKeyEvent* event) {
    event->setAccepted(RouteKeyRelease(this, *event));
}

void FixedPitchTextView::resizeEvent(QResizeEvent*) {
    m_scrollBar->setGeometry(width() - kBorder - m_scrollBarWidth, kBorder, m_scrollBarWidth,
                             std::max(0, height() - 2 * kBorder));
}
