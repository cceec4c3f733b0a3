#pragma once
// CPaintDC: painting inside a WM_PAINT handler.

#include <memory>

#include "framework/Wnd.h"

constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;

// Sizes of system elements; SM_CXICON and SM_CYICON are 32.
[[nodiscard]] int GetSystemMetrics(int nIndex);

class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    // Erases the background as a minimised window's icon area.
    void EraseBackground();
    void DrawIcon(int x, int y, HICON hIcon);

private:
    struct Painter;
    std::unique_ptr<Painter> m_pPainter;
};
