#include "framework/qt/WindowSystem.h"

#include <QPointer>
#include <unordered_map>

namespace {

std::unordered_map<const QWidget*, WindowInfo>& Registry() {
    static std::unordered_map<const QWidget*, WindowInfo> registry;
    return registry;
}

}  // namespace

WindowInfo& WndRouting::Register(QWidget* widget, int id, DWORD style, DWORD exStyle,
                                 std::unique_ptr<CWnd> temporary) {
    WindowInfo& info = Registry()[widget];
    info.id = id;
    info.style = style;
    info.exStyle = exStyle;
    info.temporary = std::move(temporary);
    info.wnd = info.temporary.get();
    if (info.wnd) info.wnd->m_hWnd = widget;
    QWidget* parent = widget->parentWidget();
    if (WindowInfo* parentInfo = parent ? Find(parent) : nullptr) {
        parentInfo->children.emplace_back(id, widget);
    }
    QObject::connect(widget, &QObject::destroyed, [widget, parent] {
        if (WindowInfo* parentInfo = parent ? Find(parent) : nullptr) {
            std::erase_if(parentInfo->children,
                          [widget](const auto& child) { return child.second == widget; });
        }
        auto it = Registry().find(widget);
        if (it == Registry().end()) return;
        // Objects bound to the window outlive it: detach them.
        if (it->second.wnd && it->second.wnd->m_hWnd == widget) it->second.wnd->m_hWnd = nullptr;
        if (it->second.temporary) it->second.temporary->m_hWnd = nullptr;
        Registry().erase(it);
    });
    return info;
}

WindowInfo* WndRouting::Find(const QWidget* widget) {
    auto it = Registry().find(widget);
    return it == Registry().end() ? nullptr : &it->second;
}

CWnd* WndRouting::NearestWnd(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (WindowInfo* info = Find(w); info && info->wnd) return info->wnd;
        if (w->isWindow()) break;
    }
    return nullptr;
}

void WndRouting::Bind(QWidget* widget, CWnd* wnd) {
    WindowInfo* info = Find(widget);
    if (!info) return;
    if (info->wnd && info->wnd != wnd && info->wnd != info->temporary.get()) {
        info->wnd->m_hWnd = nullptr;
    }
    info->wnd = wnd;
    wnd->m_hWnd = widget;
}

void WndRouting::Unbind(CWnd* wnd) {
    if (!wnd->m_hWnd) return;
    if (WindowInfo* info = Find(wnd->m_hWnd); info && info->wnd == wnd) {
        info->wnd = info->temporary.get();
    }
    wnd->m_hWnd = nullptr;
}

LRESULT WndRouting::Route(QWidget* widget, UINT message, WPARAM wParam, LPARAM lParam,
                          const std::function<void()>& defaultProcessing) {
    WindowInfo* info = Find(widget);
    CWnd* wnd = info ? info->wnd : nullptr;
    if (!wnd) {
        defaultProcessing();
        return 0;
    }
    CWnd::CurrentMessage current{message, &defaultProcessing, false, wnd->m_pCurrent};
    wnd->m_pCurrent = &current;
    // The handler may destroy the widget (a modal loop closing the window):
    // restore the object's state only through the object itself.
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->m_pCurrent = current.outer;
    return result;
}

bool WndRouting::RunDefault(CWnd* wnd, UINT message) {
    CWnd::CurrentMessage* current = wnd->m_pCurrent;
    if (!current || current->message != message || current->defaultDone) return false;
    current->defaultDone = true;
    (*current->defaultProcessing)();
    return true;
}

void WndRouting::NotifyParent(QWidget* control, UINT code) {
    WindowInfo* info = Find(control);
    if (!info) return;
    QPointer<QWidget> guard(control);
    QWidget* parent = control->parentWidget();
    CWnd* parentWnd = parent ? NearestWnd(parent) : nullptr;
    if (!parentWnd) return;
    parentWnd->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(info->id), code),
                           reinterpret_cast<LPARAM>(info->wnd));
}
