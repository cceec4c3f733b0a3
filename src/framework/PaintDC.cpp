#include "framework/PaintDC.h"

#include <QPainter>

#include "framework/qt/Widgets.h"

struct CPaintDC::Painter {
    QPainter painter;
};

int GetSystemMetrics(int nIndex) {
    return nIndex == SM_CXICON || nIndex == SM_CYICON ? 32 : 0;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pPainter(std::make_unique<Painter>()) {
    if (pWnd && pWnd->m_hWnd) m_pPainter->painter.begin(pWnd->m_hWnd);
}

CPaintDC::~CPaintDC() = default;

void CPaintDC::EraseBackground() {
    QPainter& painter = m_pPainter->painter;
    if (!painter.isActive()) return;
    auto* widget = static_cast<QWidget*>(painter.device());
    painter.fillRect(widget->rect(), widget->palette().window());
}

void CPaintDC::DrawIcon(int x, int y, HICON hIcon) {
    if (m_pPainter->painter.isActive()) m_pPainter->painter.drawPixmap(x, y, IconPixmap(hIcon, 32));
}
