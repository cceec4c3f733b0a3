#pragma once
// CWnd: a C++ object attached to one window of the window system. Messages
// for the window go through the object's message map first; what the map
// does not handle gets the window's default processing.

#include <string>
#include <string_view>
#include <vector>

#include "framework/MessageMap.h"
#include "framework/WinDef.h"

class QWidget;
using HWND = QWidget*;

struct IconResource;
using HICON = const IconResource*;  // icons are resources held as static data

class CFont;
class CMenu;

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The attached window, or null while the object has none.
    HWND m_hWnd = nullptr;

    // The object that receives a window's messages, or null.
    static CWnd* FromHandle(HWND hWnd);

    // Attaches this object to an existing window: from now on the window's
    // messages are routed to this object's message map.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(int nID, CWnd* pParent);
    // Detaches the object; the window goes on with its default processing.
    HWND UnsubclassWindow();

    [[nodiscard]] int GetDlgCtrlID() const;
    [[nodiscard]] CWnd* GetDlgItem(int nID) const;
    [[nodiscard]] CWnd* GetParent() const;

    void SetWindowText(std::string_view text);
    [[nodiscard]] std::string GetWindowText() const;
    [[nodiscard]] int GetWindowTextLength() const;

    // Returns true if the window was disabled before the call.
    bool EnableWindow(bool bEnable = true);
    [[nodiscard]] bool IsWindowEnabled() const;
    [[nodiscard]] bool IsWindowVisible() const;
    [[nodiscard]] bool IsIconic() const;

    // Gives the window the keyboard focus; returns the window that had it.
    CWnd* SetFocus();
    [[nodiscard]] static CWnd* GetFocus();

    // WM_SETFONT (wParam: the CFont*): the font object must outlive the
    // window's use of it.
    void SetFont(CFont* pFont, bool bRedraw = true);
    [[nodiscard]] CFont* GetFont() const;

    void SetIcon(HICON hIcon, bool bBigIcon);
    // The window's own menu of system commands (see CMenu).
    CMenu* GetSystemMenu(bool bRevert);

    void GetWindowRect(CRect* pRect) const;
    void GetClientRect(CRect* pRect) const;
    void Invalidate();

    // Runs the message through this object's message map now.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends the message to every descendant window, depth first.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // A message box owned by this window; returns the button pressed.
    int MessageBox(std::string_view text, std::string_view caption = {}, UINT nType = MB_OK);

    // Called for every key message aimed at this window or its
    // descendants before it is dispatched; true consumes the message.
    virtual bool PreTranslateMessage(MSG* pMsg);

    // The message's way in: the message map, then the default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The default processing of the message being handled right now
    // (for a key or mouse message: the window's own handling of it).
    LRESULT Default();

    // Which of the dialog manager's keys the window wants for itself.
    [[nodiscard]] virtual UINT GetDlgCode() const;

protected:
    [[nodiscard]] virtual const MessageMap* GetMessageMap() const;
    static const MessageMap* GetThisMessageMap();

    // Looks the message up in the map chain; true if a row handled it.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Attach-time hook for controls that keep state next to their window.
    virtual void OnAttached() {}

private:
    friend class WndRouting;
    struct CurrentMessage;
    CurrentMessage* m_pCurrent = nullptr;
};

// The system menu that the framework gives a window with WS_SYSMENU: the
// standard commands plus whatever the application appends. Choosing an
// item sends WM_SYSCOMMAND with its command to the window.
class CMenu {
public:
    struct Item {
        UINT flags = MF_STRING;
        UINT id = 0;
        std::string text;
    };

    bool AppendMenu(UINT nFlags, UINT nIDNewItem = 0, std::string_view text = {});
    [[nodiscard]] const std::vector<Item>& Items() const { return m_items; }

private:
    std::vector<Item> m_items;
};
