#include "framework/Wnd.h"

#include <QApplication>
#include <QWindow>
#include <algorithm>
#include <climits>

#include "framework/Font.h"
#include "framework/Prompts.h"
#include "framework/qt/Widgets.h"
#include "framework/qt/WindowSystem.h"

CWnd::CWnd() = default;

CWnd::~CWnd() {
    WndRouting::Unbind(this);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    WindowInfo* info = hWnd ? WndRouting::Find(hWnd) : nullptr;
    return info ? info->wnd : nullptr;
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || !WndRouting::Find(hWnd)) return false;
    WndRouting::Bind(hWnd, this);
    OnAttached();
    return true;
}

bool CWnd::SubclassDlgItem(int nID, CWnd* pParent) {
    CWnd* item = pParent ? pParent->GetDlgItem(nID) : nullptr;
    return item && SubclassWindow(item->m_hWnd);
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    WndRouting::Unbind(this);
    return hWnd;
}

int CWnd::GetDlgCtrlID() const {
    WindowInfo* info = m_hWnd ? WndRouting::Find(m_hWnd) : nullptr;
    return info ? info->id : 0;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    WindowInfo* info = m_hWnd ? WndRouting::Find(m_hWnd) : nullptr;
    if (!info) return nullptr;
    for (const auto& [id, widget] : info->children) {
        if (id == nID) return CWnd::FromHandle(widget);
    }
    return nullptr;
}

CWnd* CWnd::GetParent() const {
    if (!m_hWnd || m_hWnd->isWindow()) return nullptr;
    return WndRouting::NearestWnd(m_hWnd->parentWidget());
}

void CWnd::SetWindowText(std::string_view text) {
    if (auto* window = dynamic_cast<TextWindow*>(m_hWnd)) window->SetText(text);
}

std::string CWnd::GetWindowText() const {
    if (auto* window = dynamic_cast<const TextWindow*>(m_hWnd)) return window->GetText();
    return {};
}

int CWnd::GetWindowTextLength() const {
    if (auto* window = dynamic_cast<const TextWindow*>(m_hWnd)) {
        return static_cast<int>(std::min<std::size_t>(window->GetTextLength(), INT_MAX));
    }
    return 0;
}

bool CWnd::EnableWindow(bool bEnable) {
    if (!m_hWnd) return false;
    const bool wasDisabled = !m_hWnd->isEnabled();
    if (wasDisabled == bEnable) m_hWnd->setEnabled(bEnable);
    return wasDisabled;
}

bool CWnd::IsWindowEnabled() const {
    return m_hWnd && m_hWnd->isEnabled();
}

bool CWnd::IsWindowVisible() const {
    return m_hWnd && m_hWnd->isVisible();
}

bool CWnd::IsIconic() const {
    return m_hWnd && m_hWnd->window()->isMinimized();
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (m_hWnd) m_hWnd->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    // While a modal window runs, the focus is that window's own, even
    // before the window system has activated it (or without one: offscreen).
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (!focus || focus->window() != modal) focus = modal->focusWidget();
    }
    return focus ? WndRouting::NearestWnd(focus) : nullptr;
}

void CWnd::SetFont(CFont* pFont, bool bRedraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont), bRedraw ? 1 : 0);
}

CFont* CWnd::GetFont() const {
    WindowInfo* info = m_hWnd ? WndRouting::Find(m_hWnd) : nullptr;
    return info ? info->font : nullptr;
}

void CWnd::SetIcon(HICON hIcon, bool bBigIcon) {
    if (!m_hWnd || !hIcon) return;
    QIcon icon = m_hWnd->windowIcon();
    icon.addPixmap(IconPixmap(hIcon, bBigIcon ? 32 : 16));
    m_hWnd->setWindowIcon(icon);
}

CMenu* CWnd::GetSystemMenu(bool) {
    WindowInfo* info = m_hWnd ? WndRouting::Find(m_hWnd) : nullptr;
    return info ? info->systemMenu.get() : nullptr;
}

void CWnd::GetWindowRect(CRect* pRect) const {
    if (!m_hWnd) return;
    QRect r = m_hWnd->isWindow() ? m_hWnd->frameGeometry() : m_hWnd->geometry();
    QPoint origin = m_hWnd->isWindow() ? r.topLeft() : m_hWnd->mapToGlobal(QPoint(0, 0));
    *pRect = {origin.x(), origin.y(), origin.x() + r.width(), origin.y() + r.height()};
}

void CWnd::GetClientRect(CRect* pRect) const {
    if (!m_hWnd) return;
    *pRect = {0, 0, m_hWnd->width(), m_hWnd->height()};
}

void CWnd::Invalidate() {
    if (m_hWnd) m_hWnd->update();
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProc(message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return;
    const QList<QWidget*> descendants = m_hWnd->findChildren<QWidget*>();
    for (QWidget* widget : descendants) {
        if (CWnd* wnd = CWnd::FromHandle(widget)) wnd->SendMessage(message, wParam, lParam);
    }
}

int CWnd::MessageBox(std::string_view text, std::string_view caption, UINT nType) {
    std::string title = caption.empty() ? std::string("Error") : std::string(caption);
    return UserPrompts().MessageBox(this, std::string(text), title, nType);
}

bool CWnd::PreTranslateMessage(MSG*) {
    return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default() {
    if (m_pCurrent) WndRouting::RunDefault(this, m_pCurrent->message);
    return 0;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages raised by the widget's own event handling fall back to it.
    if (WndRouting::RunDefault(this, message)) return 0;
    if (message == WM_SETFONT && m_hWnd) {
        auto* font = reinterpret_cast<CFont*>(wParam);
        if (!font || !font->IsCreated()) return 0;
        if (WindowInfo* info = WndRouting::Find(m_hWnd)) info->font = font;
        m_hWnd->setFont(font->Font());
        if (lParam) m_hWnd->update();
        return 0;
    }
    if (message == WM_SYSCOMMAND && m_hWnd) {
        QWidget* window = m_hWnd->window();
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_MINIMIZE:
            window->showMinimized();
            break;
        case SC_MAXIMIZE:
            window->showMaximized();
            break;
        case SC_RESTORE:
            window->showNormal();
            break;
        case SC_MOVE:
            if (window->windowHandle()) window->windowHandle()->startSystemMove();
            break;
        default:
            break;
        }
    }
    return 0;
}

UINT CWnd::GetDlgCode() const {
    return 0;
}

const MessageMap* CWnd::GetThisMessageMap() {
    static constexpr MessageMap kMap{nullptr, {}};
    return &kMap;
}

const MessageMap* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    UINT code = 0;
    int id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = static_cast<std::int16_t>(LOWORD(wParam));
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        code = header->code;
        id = static_cast<int>(header->idFrom);
    }
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message != message) continue;
            if ((message == WM_COMMAND || message == WM_NOTIFY) &&
                (entry.code != code || entry.id != id)) {
                continue;
            }
            *pResult = entry.thunk(this, wParam, lParam);
            return true;
        }
    }
    return false;
}

bool CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, std::string_view text) {
    m_items.push_back({nFlags, nIDNewItem, std::string(text)});
    return true;
}
