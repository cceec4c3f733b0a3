#include "framework/RichEditCtrl.h"

#include <algorithm>
#include <cstring>

#include "framework/qt/RichEditWidget.h"
#include "framework/qt/WindowSystem.h"

CRichEditCtrl::~CRichEditCtrl() {
    if (auto* w = Widget()) w->SetRealizeHook(nullptr);
}

RichEditWidget* CRichEditCtrl::Widget() const {
    if (m_hWnd != m_pCachedHandle) {
        m_pCachedHandle = m_hWnd;
        m_pCachedWidget = WidgetOf<RichEditWidget>(this);
    }
    return m_pCachedWidget;
}

void CRichEditCtrl::SetSel(long nStartChar, long nEndChar) {
    if (auto* w = Widget()) w->SetSelection(nStartChar, nEndChar);
}

void CRichEditCtrl::GetSel(long& nStartChar, long& nEndChar) const {
    nStartChar = nEndChar = 0;
    if (auto* w = Widget()) {
        w->Realize();
        nStartChar = w->SelectionStart();
        nEndChar = w->SelectionEnd();
    }
}

int CRichEditCtrl::GetLine(int nIndex, char* lpszBuffer, int nMaxLength) const {
    auto* w = Widget();
    if (!w || nIndex < 0 || nMaxLength <= 0) return 0;
    const std::string& text = w->Text();
    const long start = static_cast<long>(nIndex) * w->RowChars();
    if (start >= static_cast<long>(text.size())) return 0;
    const long count = std::min<long>(
        {static_cast<long>(w->RowChars()), nMaxLength, static_cast<long>(text.size()) - start});
    std::memcpy(lpszBuffer, text.data() + start, static_cast<std::size_t>(count));
    return static_cast<int>(count);
}

void CRichEditCtrl::ReplaceSel(std::string_view text, bool) {
    if (auto* w = Widget()) w->ReplaceSelection(text);
}

void CRichEditCtrl::Clear() {
    ReplaceSel({});
}

void CRichEditCtrl::LimitText(long nChars) {
    // 0 restores the control's default limit.
    if (auto* w = Widget()) w->SetLimit(nChars > 0 ? nChars : 32767);
}

long CRichEditCtrl::GetLimitText() const {
    auto* w = Widget();
    return w ? w->Limit() : 0;
}

long CRichEditCtrl::GetTextLength() const {
    auto* w = Widget();
    return w ? static_cast<long>(w->Text().size()) : 0;
}

std::string CRichEditCtrl::GetText() const {
    auto* w = Widget();
    return w ? w->Text() : std::string();
}

int CRichEditCtrl::GetRowChars() const {
    auto* w = Widget();
    return w ? w->RowChars() : 0;
}

void CRichEditCtrl::SetRowChars(int nChars) {
    if (auto* w = Widget()) w->SetRowChars(nChars);
}

CPoint CRichEditCtrl::PosFromChar(long nChar) const {
    auto* w = Widget();
    if (!w) return {};
    const QPoint point = w->PointOf(nChar);
    return {point.x(), point.y()};
}

void CRichEditCtrl::ShowScrollBar(bool bShow) {
    if (auto* w = Widget()) w->SetScrollBarShown(bShow);
}

bool CRichEditCtrl::SetScrollInfo(const SCROLLINFO& info, bool) {
    auto* w = Widget();
    if (!w) return false;
    w->SetScrollState(info);
    return true;
}

bool CRichEditCtrl::GetScrollInfo(SCROLLINFO* pInfo, UINT nMask) const {
    auto* w = Widget();
    if (!w || !pInfo) return false;
    *pInfo = w->ScrollState();
    pInfo->fMask = nMask;
    return true;
}

bool CRichEditCtrl::IsScrollBarShown() const {
    auto* w = Widget();
    return w && w->ScrollBarShown();
}

bool CRichEditCtrl::IsScrollBarEnabled() const {
    auto* w = Widget();
    return w && w->ScrollBarEnabled();
}

void CRichEditCtrl::ScrollBarRequest(UINT nSBCode, int nTrackPos) {
    if (auto* w = Widget()) w->SendScroll(nSBCode, nTrackPos);
}

int CRichEditCtrl::GetOuterHeight() const {
    auto* w = Widget();
    return w ? w->height() : 0;
}

TEXTMETRIC CRichEditCtrl::GetTextMetrics() const {
    // The stock system font of a display context: 16 pixels from top to
    // bottom, no external leading.
    TEXTMETRIC metrics;
    metrics.tmHeight = 16;
    metrics.tmAscent = 13;
    metrics.tmDescent = 3;
    metrics.tmInternalLeading = 3;
    metrics.tmExternalLeading = 0;
    metrics.tmAveCharWidth = 7;
    metrics.tmMaxCharWidth = 14;
    return metrics;
}

bool CRichEditCtrl::IsCaretHidden() const {
    auto* w = Widget();
    return !w || w->CaretHidden();
}

void CRichEditCtrl::RedrawNow() {
    if (auto* w = Widget()) w->repaint();
}

void CRichEditCtrl::MarkTextStale() {
    if (auto* w = Widget()) w->RequestRepaint();
}

UINT CRichEditCtrl::GetDlgCode() const {
    return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
}

LRESULT CRichEditCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KILLFOCUS) {
        // Told that it lost the focus, the control hides its caret and
        // selection until it really gets the focus again.
        if (auto* w = Widget()) w->HideCaretAndSelection();
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CRichEditCtrl::OnAttached() {
    // A new window may stand where an old one stood: look it up afresh.
    m_pCachedHandle = nullptr;
    m_pCachedWidget = nullptr;
    if (auto* w = Widget()) {
        // Only while this object receives the window's messages: one that
        // was detached (and perhaps destroyed since) has no text to produce.
        w->SetRealizeHook([this, w] {
            if (CWnd::FromHandle(w) == this) RealizeText();
        });
    }
}
