#pragma once
// LinkDlgProbe: what a test or a benchmark reads of the main window that no
// control shows (the connection state, the endpoints' handles, the values
// taken from the fields, the fonts, the Telnet window it runs), and the two
// things it makes happen that no user can: an accept notification carrying
// an error, and a stored data length larger than any file a test can load.
// The controls themselves are reached as the dialog manager finds them.

#include <stdexcept>
#include <string>

#include "app/LinkDlg.h"

// The control `id` of `window` as its own class; throws for a wrong id or class.
template <class Control>
[[nodiscard]] Control& ControlOf(const CWnd& window, int id) {
    auto* control = dynamic_cast<Control*>(window.GetDlgItem(id));
    if (!control) throw std::logic_error("no control " + std::to_string(id) + " of that class");
    return *control;
}

class LinkDlgProbe {
public:
    [[nodiscard]] static int State(const CLinkDlg& dlg) { return dlg.m_nState; }
    [[nodiscard]] static bool TelnetActive(const CLinkDlg& dlg) { return dlg.m_bTelnetActive; }
    [[nodiscard]] static SOCKET DataHandle(const CLinkDlg& dlg) {
        return dlg.m_dataSocket.m_hSocket;
    }
    [[nodiscard]] static SOCKET ListenHandle(const CLinkDlg& dlg) {
        return dlg.m_listenSocket.m_hSocket;
    }
    [[nodiscard]] static CTelnetDlg& TelnetWindow(CLinkDlg& dlg) { return dlg.m_telnetDlg; }

    [[nodiscard]] static UINT RemotePort(const CLinkDlg& dlg) { return dlg.m_nRemotePort; }
    [[nodiscard]] static const std::string& RemoteIP(const CLinkDlg& dlg) {
        return dlg.m_strRemoteIP;
    }
    [[nodiscard]] static int Mode(const CLinkDlg& dlg) { return dlg.m_nMode; }
    [[nodiscard]] static UINT DataLength(const CLinkDlg& dlg) { return dlg.m_nDataLength; }
    [[nodiscard]] static const CFont* KoreanFont(const CLinkDlg& dlg) {
        return dlg.m_pFontKorean.get();
    }
    [[nodiscard]] static const CFont* DefaultFont(const CLinkDlg& dlg) {
        return dlg.m_pFontDefault.get();
    }

    // The listening endpoint's accept notification with `nErrorCode`, as the
    // socket layer raises it for a pending connection that broke.
    static void NotifyAccept(CLinkDlg& dlg, int nErrorCode) {
        static_cast<CLinkSocketOwner&>(dlg).OnSocketAccept(&dlg.m_listenSocket, nErrorCode);
    }
    // The stored data length, as a LOAD of a file of that many bytes leaves it.
    static void SetDataLength(CLinkDlg& dlg, UINT nLength) { dlg.m_nDataLength = nLength; }
};
