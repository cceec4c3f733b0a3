// Telnet sessions through the main window: TELNET connects to REMOTE IP and
// PORT NO on 127.0.0.1, the connect handler runs the Telnet window modally,
// and closing it (CLOSE or the close request) closes the connection and
// leaves the main window Idle. The scripts below run inside the window's
// modal loop, as the user's actions would.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/testing/EventPump.h"
#include "framework/testing/InputSimulation.h"
#include "res/resource.h"
#include "telnet/TelnetTestSupport.h"
#include "testkit/LanguageScope.h"
#include "testkit/MainWindow.h"
#include "testkit/ScriptedPrompts.h"

namespace {

using telnettest::Bytes;
using telnettest::CScriptedPeer;

// Runs `script` inside the Telnet window's modal loop as soon as it runs;
// the window is closed afterwards if the script left it open, so a failed
// expectation cannot leave the test waiting in the modal loop.
void WhenTelnetWindowRuns(CLinkDlg& dlg, const std::function<void()>& script, bool& done) {
    PostCall([&dlg, script, &done] {
        CTelnetDlg& telnet = LinkDlgProbe::TelnetWindow(dlg);
        if (!telnet.IsModalRunning()) {
            WhenTelnetWindowRuns(dlg, script, done);
            return;
        }
        script();
        done = true;
        if (telnet.IsWindowVisible()) telnet.EndDialog(0);
    });
}

class TelnetSession : public testing::Test {
protected:
    void PressTelnet(UINT port) {
        w.SetText(IDC_REMOTE_IP, "127.0.0.1");
        w.SetText(IDC_REMOTE_PORT, std::to_string(port));
        w.Click(IDC_BUTTON_TELNET);
    }
    // TELNET to `port`, `script` inside the window, then back in the main
    // window once the session has ended.
    void RunSession(UINT port, const std::function<void()>& script) {
        bool done = false;
        WhenTelnetWindowRuns(w.dlg, script, done);
        PressTelnet(port);
        EXPECT_TRUE(PumpUntil([&] { return done && !w.Telnet().IsModalRunning(); }, 10000));
    }
    void ExpectIdle() {
        EXPECT_EQ(w.State(), Idle);
        EXPECT_FALSE(w.TelnetActive());
        EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
        EXPECT_EQ(w.Text(IDC_STATUS), "Ready");
        EXPECT_TRUE(w.Enabled(IDC_MODE));
        EXPECT_TRUE(w.Enabled(IDC_BUTTON_TELNET));
    }
    CTelnetDlg& Window() { return w.Telnet(); }
    std::string Screen() { return Window().m_terminal.GetWindowText(); }

    EnglishScope english;
    ScriptedPrompts prompts;
    TestMainWindow w;
};

TEST_F(TelnetSession, TypingReceivingAndTheCloseButton) {
    CScriptedPeer peer;
    RunSession(peer.Port(), [&] {
        EXPECT_EQ(w.State(), Connected);
        EXPECT_TRUE(w.TelnetActive());
        EXPECT_EQ(
            w.Text(IDC_STATUS).rfind("Connected [127.0.0.1 : " + std::to_string(peer.Port()), 0),
            0U);
        EXPECT_TRUE(Window().IsWindowVisible());
        EXPECT_EQ(Window().m_comboTx.GetCurSel(), 1);
        EXPECT_EQ(Window().m_comboRx.GetCurSel(), 0);
        EXPECT_TRUE(peer.Received().empty());

        peer.Send("login: ");
        EXPECT_TRUE(PumpUntil([&] { return Screen() == "login: "; }));
        SimulateTyping(&Window().m_terminal, "guest\r");
        EXPECT_TRUE(peer.WaitForReceived(7));
        EXPECT_EQ(peer.Received(), "guest\r\n");
        // Enter and Escape outside the terminal leave the window open.
        SimulateKey(&Window().m_comboRx, VK_RETURN, "\r");
        SimulateKey(&Window().m_checkLinemode, VK_ESCAPE, "\x1b");
        EXPECT_TRUE(Window().IsModalRunning());
        // The receive pane and its count belong to the main window's own reads.
        EXPECT_EQ(w.RecvPane().m_nLength, 0);
        EXPECT_EQ(w.Text(IDC_RECV_COUNT), "0");

        static_cast<CButton*>(Window().GetDlgItem(IDC_BUTTON_CLOSE))->Click();
        EXPECT_FALSE(Window().IsWindowVisible());
    });
    ExpectIdle();
    EXPECT_TRUE(PumpUntil([&] { return peer.ClosedByTerminal(); }));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST_F(TelnetSession, PeerCloseKeepsTheWindowUntilTheCloseRequest) {
    CScriptedPeer peer;
    RunSession(peer.Port(), [&] {
        peer.Send("bye\r\n");
        peer.Close();
        EXPECT_TRUE(PumpUntil([&] { return Screen() == "bye\r\nConnection closed\r\n"; }));
        EXPECT_TRUE(Window().m_terminal.IsReadOnly());
        EXPECT_TRUE(Window().IsModalRunning());
        EXPECT_EQ(w.State(), Connected);
        EXPECT_TRUE(w.TelnetActive());
        EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
        SimulateCloseRequest(&Window());
        EXPECT_FALSE(Window().IsWindowVisible());
    });
    ExpectIdle();
    EXPECT_EQ(w.RecvPane().m_nLength, 0);
}

TEST_F(TelnetSession, UrgentBytesReachTheTerminalInTheirPlace) {
    CScriptedPeer peer;
    RunSession(peer.Port(), [&] {
        const auto screenEndsWith = [&](const std::string& end) {
            return PumpUntil([&] { return Screen().ends_with(end); });
        };
        peer.Send("abc");
        peer.SendUrgent('X');
        peer.Send("def");
        ASSERT_TRUE(screenEndsWith("def"));
        EXPECT_EQ(Screen(), "abcXdef");
        // A server's answer to Ctrl+C: IAC DM with the Data Mark sent urgent,
        // then the echo and the prompt. The command shows nothing, and takes
        // nothing that follows it.
        peer.Send(Bytes({'\r', '\n', 255}));
        peer.SendUrgent(static_cast<char>(242));
        peer.Send("^C\r\n# ");
        ASSERT_TRUE(screenEndsWith("# "));
        EXPECT_EQ(Screen(), "abcXdef\r\n^C\r\n# ");
    });
    ExpectIdle();
    EXPECT_EQ(w.RecvPane().m_nLength, 0);
}

TEST_F(TelnetSession, TheTelnetPortOpensNegotiationAndSetsItsDefaults) {
    CScriptedPeer peer(23);
    if (!peer.Listening()) GTEST_SKIP() << "127.0.0.1:23 cannot be listened on here";
    RunSession(23, [&] {
        EXPECT_TRUE(peer.WaitForReceived(6));
        EXPECT_EQ(peer.Received(), Bytes({255, 253, 3, 255, 253, 1}));
        // LF shown as CR LF: the Telnet port's default conversion.
        peer.Send("a\nb");
        EXPECT_TRUE(PumpUntil([&] { return Screen() == "a\r\nb"; }));
    });
    ExpectIdle();
}

TEST_F(TelnetSession, RefusedConnectionOpensNoWindowAndConnectIsOrdinaryAfter) {
    UINT refusedPort = 0;
    {
        CScriptedPeer gone;
        refusedPort = gone.Port();
    }
    PressTelnet(refusedPort);
    EXPECT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
    EXPECT_EQ(prompts.MessageBoxes().front().type & MB_ICONMASK, MB_ICONSTOP);
    EXPECT_EQ(Window().m_hWnd, nullptr);
    ExpectIdle();

    CScriptedPeer peer;
    w.SetText(IDC_REMOTE_PORT, std::to_string(peer.Port()));
    w.Click(IDC_BUTTON_CONNECT);
    ASSERT_TRUE(PumpUntil([&] { return w.State() == Connected && peer.Accepted(); }));
    EXPECT_FALSE(w.TelnetActive());
    peer.Send("xyz");
    EXPECT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "3"; }));
    EXPECT_EQ(Window().m_hWnd, nullptr);
    w.Click(IDC_BUTTON_CLOSE);
}

TEST_F(TelnetSession, EmptyRemoteAddressIsRefused) {
    w.SetText(IDC_REMOTE_IP, "");
    w.Click(IDC_BUTTON_TELNET);
    // Refused with a message, before any socket is opened.
    EXPECT_EQ(prompts.MessageBoxes().size(), 1U);
    ExpectIdle();
}

}  // namespace
