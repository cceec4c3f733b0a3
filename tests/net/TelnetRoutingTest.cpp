// While the Telnet window owns the data connection, its receive and close
// notifications go to the terminal, and the connection ends with the window.

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "framework/qt/Timer.h"

using namespace nettest;

TEST(TelnetRouting, TerminalGetsTheConnectionUntilItsWindowCloses) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd listener = sockettest::RawListener();
    const std::uint16_t port = sockettest::LocalPort(listener.get());

    w.SetText(IDC_REMOTE_IP, "127.0.0.1");
    w.SetText(IDC_REMOTE_PORT, std::to_string(port));
    w.Click(IDC_BUTTON_TELNET);
    ASSERT_TRUE(w.TelnetActive());
    Fd peer = AcceptWindow(listener.get());

    // Runs from the Telnet window's modal loop.
    enum class Step { WaitForWindow, WaitForClose, Done } step = Step::WaitForWindow;
    int stateAtClose = -1;
    std::int64_t paneAtClose = -1;
    std::string screen;
    CRepeatingTimer timer;
    timer.Start(1, [&] {
        CTelnetDlg& telnet = w.Telnet();
        if (step == Step::WaitForWindow && telnet.IsModalRunning()) {
            sockettest::SendAll(peer.get(), "hello\r\n");
            ::shutdown(peer.get(), SHUT_WR);
            step = Step::WaitForClose;
        } else if (step == Step::WaitForClose && w.DataHandle() == INVALID_SOCKET) {
            stateAtClose = w.State();
            paneAtClose = w.RecvPane().m_nLength;
            screen = telnet.m_terminal.GetWindowText();
            step = Step::Done;
            telnet.EndDialog(0);
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return step == Step::Done && !w.TelnetActive(); }));
    timer.Stop();

    EXPECT_EQ(stateAtClose, Connected);
    EXPECT_EQ(paneAtClose, 0);
    EXPECT_NE(screen.find("hello"), std::string::npos) << screen;
    EXPECT_EQ(w.State(), Idle);
    EXPECT_EQ(Status(w), "Ready");
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "0");
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_CONNECT));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}
