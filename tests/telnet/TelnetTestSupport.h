#pragma once
// A scripted Telnet peer on 127.0.0.1 and a terminal connected to it (or to
// any server): the peer listens on a free port (port 0, read back), accepts
// one connection and records every byte; the terminal's endpoint hands its
// notifications straight to a Telnet window, as the main window does while
// Telnet is on, and records each send call so that "one call" can be checked.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/AsyncSocket.h"
#include "framework/testing/EventPump.h"
#include "framework/testing/SocketSetup.h"
#include "net/LinkSocket.h"
#include "telnet/TelnetDlg.h"

namespace telnettest {

inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) out.push_back(static_cast<char>(v));
    return out;
}

// One end of the peer's connection: whatever arrives is appended to `received`.
class CPeerConnection : public CAsyncSocket {
public:
    std::string received;
    bool closedByTerminal = false;

    void OnReceive(int) override {
        char buffer[4096];
        const int n = Receive(buffer, sizeof buffer);
        if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    }
    void OnClose(int) override { closedByTerminal = true; }
};

class CPeerListener : public CAsyncSocket {
public:
    explicit CPeerListener(CPeerConnection& connection) : m_connection(connection) {}
    bool accepted = false;

    void OnAccept(int) override { accepted = Accept(m_connection) || accepted; }

private:
    CPeerConnection& m_connection;
};

class CScriptedPeer {
public:
    // Port 0: a free port, read back. A fixed port may be unavailable (see
    // Listening()).
    explicit CScriptedPeer(UINT port = 0) : m_listener(m_connection) {
        m_listening = m_listener.Create(port, SocketType::Stream, FD_ALL_EVENTS, "127.0.0.1") &&
                      m_listener.Listen(1);
        std::string address;
        if (m_listening) m_listening = m_listener.GetSockName(address, m_port);
        if (port == 0) {
            EXPECT_TRUE(m_listening);
        }
    }

    [[nodiscard]] bool Listening() const { return m_listening; }
    [[nodiscard]] UINT Port() const { return m_port; }
    [[nodiscard]] bool Accepted() const { return m_listener.accepted; }
    [[nodiscard]] const std::string& Received() const { return m_connection.received; }
    [[nodiscard]] bool ClosedByTerminal() const { return m_connection.closedByTerminal; }
    void ClearReceived() { m_connection.received.clear(); }

    void Send(const std::string& bytes) {
        ASSERT_EQ(m_connection.Send(bytes.data(), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    }
    // One byte as TCP urgent data, in its place between what is sent before
    // and after it.
    void SendUrgent(char byte) { ASSERT_EQ(m_connection.Send(&byte, 1, MSG_OOB), 1); }
    // Waits until at least `count` bytes have arrived from the terminal.
    bool WaitForReceived(std::size_t count) {
        return PumpUntil([&] { return m_connection.received.size() >= count; });
    }
    void Close() { m_connection.Close(); }

private:
    CPeerConnection m_connection;
    CPeerListener m_listener;
    bool m_listening = false;
    UINT m_port = 0;
};

// The terminal's endpoint: notifications go to the Telnet window's terminal.
class CRoutedSocket : public CLinkSocket {
public:
    CTelnetDlg* pDlg = nullptr;
    bool connected = false;
    int connectError = -1;
    std::vector<std::string> sends;
    // Runs in the connect handler, before any byte of the peer is read.
    std::function<void()> onConnected;

    int Send(const void* data, int length, int flags = 0) override {
        sends.emplace_back(static_cast<const char*>(data), static_cast<std::size_t>(length));
        return CLinkSocket::Send(data, length, flags);
    }

protected:
    void OnConnect(int nErrorCode) override {
        connectError = nErrorCode;
        connected = nErrorCode == 0;
        if (connected && onConnected) onConnected();
    }
    void OnReceive(int nErrorCode) override {
        if (pDlg) pDlg->m_terminal.ProcessReceive(this, nErrorCode);
    }
    void OnClose(int nErrorCode) override {
        if (pDlg) pDlg->m_terminal.ShowConnectionClosed(this, nErrorCode);
        Close();
    }
};

// A Telnet window's terminal (the window modeless) connected to a server on
// 127.0.0.1, as the main window connects it. `announcedPort` is the remote
// port the terminal is told. One window may serve several links in turn, as
// the main window's one Telnet window serves every connection of a run.
class CTerminalLink {
public:
    CTerminalLink(CTelnetDlg& dlg, std::uint16_t port, int announcedPort) : m_dlg(dlg) {
        m_socket.pDlg = &dlg;
        // As the main window does it: the connect handler hands the
        // connection to the window and opens it, so a server that speaks
        // first is heard by the terminal.
        m_socket.onConnected = [this, announcedPort] {
            m_dlg.SetConnection(&m_socket, announcedPort);
            EXPECT_TRUE(m_dlg.Create());
        };
        EXPECT_TRUE(m_socket.Create(0, SocketType::Stream, FD_ALL_EVENTS));
        m_socket.Connect(AddressFromText("127.0.0.1", port));
        EXPECT_TRUE(PumpUntil([&] { return m_socket.connected; }));
        PumpMessages();  // the window becomes the active one
    }
    ~CTerminalLink() {
        m_dlg.DestroyWindow();
        m_socket.Close();
    }
    CTerminalLink(const CTerminalLink&) = delete;
    CTerminalLink& operator=(const CTerminalLink&) = delete;

    [[nodiscard]] CTelnetEdit& Terminal() { return m_dlg.m_terminal; }
    [[nodiscard]] std::string Screen() { return m_dlg.m_terminal.GetWindowText(); }
    [[nodiscard]] const std::vector<std::string>& Sends() const { return m_socket.sends; }
    void ClearSends() { m_socket.sends.clear(); }
    // Waits until the screen shows exactly `text`, or ends with `end`.
    bool WaitForScreen(const std::string& text) {
        return PumpUntil([&] { return Screen() == text; });
    }
    bool WaitForScreenEnd(const std::string& end, int timeoutMs = 5000) {
        return PumpUntil([&] { return Screen().ends_with(end); }, timeoutMs);
    }

private:
    CTelnetDlg& m_dlg;
    CRoutedSocket m_socket;
};

// A Telnet window connected to a scripted peer. `announcedPort` is the
// remote port the terminal is told (0: the peer's), so the port-23
// behaviour can be seen without a listener on port 23.
class CTerminalSession {
public:
    explicit CTerminalSession(int announcedPort = 0)
        : m_link(dlg, static_cast<std::uint16_t>(peer.Port()),
                 announcedPort ? announcedPort : static_cast<int>(peer.Port())) {
        EXPECT_TRUE(PumpUntil([&] { return peer.Accepted(); }));
    }

    [[nodiscard]] CTelnetEdit& Terminal() { return m_link.Terminal(); }
    [[nodiscard]] std::string Screen() { return m_link.Screen(); }
    [[nodiscard]] const std::vector<std::string>& Sends() const { return m_link.Sends(); }
    void ClearSends() { m_link.ClearSends(); }

    // The peer sends `bytes` followed by a marker that the terminal shows;
    // returns once the screen ends with it, so the bytes before it have been
    // processed (and any reply to them is on its way).
    bool PeerSendsThenMarker(const std::string& bytes, const std::string& marker = "#") {
        peer.Send(bytes + marker);
        return m_link.WaitForScreenEnd(marker);
    }
    bool WaitForScreen(const std::string& text) { return m_link.WaitForScreen(text); }

    CScriptedPeer peer;
    CTelnetDlg dlg;

private:
    CTerminalLink m_link;
};

}  // namespace telnettest
