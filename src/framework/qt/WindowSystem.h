#pragma once
// Inside the framework only: what the window system keeps for each window
// (its control id, styles, the object that receives its messages) and the
// routing of messages raised by a widget's own event handling.

#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "framework/Wnd.h"
#include "framework/qt/Utf8Text.h"

class CFont;

// The message a window object is handling now, with the widget's own
// processing of it for Default().
struct CWnd::CurrentMessage {
    UINT message;
    const std::function<void()>* defaultProcessing;
    bool defaultDone;
    CurrentMessage* outer;
};

struct WindowInfo {
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    CWnd* wnd = nullptr;                // receives the window's messages
    std::unique_ptr<CWnd> temporary;    // the framework's own object until one is bound
    CFont* font = nullptr;              // last WM_SETFONT
    std::unique_ptr<CMenu> systemMenu;  // top-level windows with WS_SYSMENU
    // The registered child windows by control id, in creation order: the
    // receive path looks controls up on every read.
    std::vector<std::pair<int, QWidget*>> children;
};

class WndRouting {
public:
    // Registers a window the framework created; `temporary` receives its
    // messages until the application binds an object of its own.
    static WindowInfo& Register(QWidget* widget, int id, DWORD style, DWORD exStyle,
                                std::unique_ptr<CWnd> temporary);
    // Null for widgets the framework did not create.
    static WindowInfo* Find(const QWidget* widget);
    // The nearest widget (itself or an ancestor) that has a window object.
    static CWnd* NearestWnd(QWidget* widget);
    static void Bind(QWidget* widget, CWnd* wnd);
    static void Unbind(CWnd* wnd);

    // Routes a message raised by the widget's own event handling: the
    // object's message map first; `defaultProcessing` is what the widget
    // does with the event when the map does not handle it, or when the
    // handler calls Default().
    static LRESULT Route(QWidget* widget, UINT message, WPARAM wParam, LPARAM lParam,
                         const std::function<void()>& defaultProcessing);

    // Sends WM_COMMAND (code, id) from a control to the window that owns it.
    static void NotifyParent(QWidget* control, UINT code);

    // Calls the default processing registered for the message being handled.
    static bool RunDefault(CWnd* wnd, UINT message);
};

// The widget behind an object, cast to the framework's widget class; null when the
// object has no window or the window is of another kind.
template <class W>
W* WidgetOf(const CWnd* wnd) {
    return wnd ? dynamic_cast<W*>(wnd->m_hWnd) : nullptr;
}
