// The Telnet window on its own: defaults by port, texts in both languages,
// the combos and the check box driving the terminal, Enter and Escape, and
// the two ways to close it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/testing/EventPump.h"
#include "framework/testing/InputSimulation.h"
#include "res/resource.h"
#include "telnet/TelnetTestSupport.h"
#include "testkit/LanguageScope.h"

namespace {

using telnettest::CTerminalSession;

std::vector<std::string> Items(const CComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.GetCount(); ++i) items.push_back(combo.GetLBText(i));
    return items;
}

TEST(TelnetWindow, DefaultsOnTheTelnetPort) {
    EnglishScope english;
    CTerminalSession session(23);
    CTelnetDlg& dlg = session.dlg;
    EXPECT_EQ(Items(dlg.m_comboTx),
              (std::vector<std::string>{"Don't Convert", "CR -> CR+LF", "CR -> LF"}));
    EXPECT_EQ(Items(dlg.m_comboRx),
              (std::vector<std::string>{"Don't Convert", "CR -> CR+LF", "LF -> CR+LF"}));
    EXPECT_EQ(dlg.m_comboTx.GetCurSel(), 0);
    EXPECT_EQ(dlg.m_comboRx.GetCurSel(), 2);
    EXPECT_EQ(dlg.m_terminal.GetTxMode(), TxMode::Cr);
    EXPECT_EQ(dlg.m_terminal.GetRxMode(), RxMode::LfToCrLf);
    EXPECT_EQ(dlg.m_checkLinemode.GetCheck(), 0);
    EXPECT_EQ(dlg.m_terminal.GetLineMode(), LineMode::Character);
    EXPECT_EQ(CWnd::GetFocus(), &dlg.m_terminal);
}

TEST(TelnetWindow, DefaultsOnOtherPortsAndEnglishTexts) {
    EnglishScope english;
    CTerminalSession session;
    CTelnetDlg& dlg = session.dlg;
    EXPECT_EQ(dlg.m_comboTx.GetCurSel(), 1);
    EXPECT_EQ(dlg.m_comboRx.GetCurSel(), 0);
    EXPECT_EQ(dlg.m_terminal.GetTxMode(), TxMode::CrLf);
    EXPECT_EQ(dlg.m_terminal.GetRxMode(), RxMode::AsReceived);
    EXPECT_EQ(dlg.GetWindowText(), "Telnet");
    EXPECT_EQ(dlg.GetDlgItem(IDC_STATIC_TX)->GetWindowText(), "Send");
    EXPECT_EQ(dlg.GetDlgItem(IDC_STATIC_RX)->GetWindowText(), "Receive");
    EXPECT_EQ(dlg.GetDlgItem(IDC_GROUP_NEWLINE)->GetWindowText(), "New-line");
    EXPECT_EQ(dlg.GetDlgItem(IDC_LINEMODE)->GetWindowText(), "Linemode");
    EXPECT_EQ(dlg.GetDlgItem(IDC_BUTTON_CLOSE)->GetWindowText(), "Close");
    EXPECT_EQ(dlg.GetDlgItem(IDC_GROUP_LINEMODE)->GetWindowText(), "");
    ASSERT_NE(dlg.m_terminal.GetFont(), nullptr);
    EXPECT_EQ(dlg.m_terminal.GetFont(), dlg.m_pFontDefault.get());
}

TEST(TelnetWindow, KoreanTextsAndFont) {
    LanguageScope korean(true, LANG_ID_KOREAN);
    CTerminalSession session;
    CTelnetDlg& dlg = session.dlg;
    EXPECT_EQ(dlg.GetWindowText(), "텔넷");
    EXPECT_EQ(dlg.GetDlgItem(IDC_STATIC_TX)->GetWindowText(), "송신");
    EXPECT_EQ(dlg.GetDlgItem(IDC_STATIC_RX)->GetWindowText(), "수신");
    EXPECT_EQ(dlg.GetDlgItem(IDC_GROUP_NEWLINE)->GetWindowText(), "줄 바꿈 문자");
    EXPECT_EQ(dlg.GetDlgItem(IDC_LINEMODE)->GetWindowText(), "라인모드");
    EXPECT_EQ(dlg.GetDlgItem(IDC_BUTTON_CLOSE)->GetWindowText(), "닫기");
    EXPECT_EQ(dlg.m_comboTx.GetLBText(0), "변환안함");
    EXPECT_EQ(dlg.m_comboRx.GetLBText(2), "LF -> CR+LF");
    EXPECT_EQ(dlg.m_terminal.GetFont(), dlg.m_pFontKorean.get());
}

TEST(TelnetWindow, ControlsSetTheTerminalAndGiveItTheFocusBack) {
    EnglishScope english;
    CTerminalSession session;
    CTelnetDlg& dlg = session.dlg;
    dlg.m_comboRx.SetFocus();
    dlg.m_comboRx.SelectByUser(1);
    EXPECT_EQ(dlg.m_terminal.GetRxMode(), RxMode::CrToCrLf);
    EXPECT_EQ(CWnd::GetFocus(), &dlg.m_terminal);

    dlg.m_comboTx.SetFocus();
    dlg.m_comboTx.SelectByUser(2);
    EXPECT_EQ(dlg.m_terminal.GetTxMode(), TxMode::Lf);
    EXPECT_EQ(CWnd::GetFocus(), &dlg.m_terminal);

    dlg.m_checkLinemode.SetFocus();
    dlg.m_checkLinemode.Click();
    EXPECT_EQ(dlg.m_terminal.GetLineMode(), LineMode::Line);
    EXPECT_EQ(CWnd::GetFocus(), &dlg.m_terminal);
    // Typing goes on without a click: line mode now, TX mode LF.
    SimulateTyping(&dlg.m_terminal, "ok\r");
    EXPECT_EQ(session.Sends(), std::vector<std::string>{"ok\n"});
}

TEST(TelnetWindow, EnterAndEscapeLeaveItOpen) {
    EnglishScope english;
    CTerminalSession session;
    CTelnetDlg& dlg = session.dlg;
    for (CWnd* control : {static_cast<CWnd*>(&dlg.m_comboTx), static_cast<CWnd*>(&dlg.m_comboRx),
                          static_cast<CWnd*>(&dlg.m_checkLinemode)}) {
        SimulateKey(control, VK_RETURN, "\r");
        SimulateKey(control, VK_ESCAPE, "\x1b");
        EXPECT_TRUE(dlg.IsWindowVisible());
    }
    // In the terminal both keys are characters for the peer.
    SimulateKey(&dlg.m_terminal, VK_RETURN, "\r");
    SimulateKey(&dlg.m_terminal, VK_ESCAPE, "\x1b");
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(session.Sends(), (std::vector<std::string>{"\r\n", "\x1b"}));
}

TEST(TelnetWindow, CloseButtonAndCloseRequestEndTheModalRun) {
    EnglishScope english;
    for (const bool useButton : {true, false}) {
        CTerminalSession session;
        CTelnetDlg& dlg = session.dlg;
        dlg.DestroyWindow();
        bool sawWindow = false;
        PostCall([&] {
            sawWindow = dlg.IsModalRunning() && dlg.IsWindowVisible();
            if (useButton) {
                static_cast<CButton*>(dlg.GetDlgItem(IDC_BUTTON_CLOSE))->Click();
            } else {
                SimulateCloseRequest(&dlg);
            }
        });
        EXPECT_EQ(dlg.DoModal(), 0);
        EXPECT_TRUE(sawWindow);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
    }
}

TEST(TelnetWindow, EachRunStartsEmptyWritableAndInCharacterMode) {
    EnglishScope english;
    CTerminalSession session;
    CTelnetDlg& dlg = session.dlg;
    dlg.m_checkLinemode.Click();
    SimulateTyping(&dlg.m_terminal, "half");
    dlg.m_terminal.SetReadOnly(true);
    dlg.DestroyWindow();
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.m_terminal.GetWindowText(), "");
    EXPECT_FALSE(dlg.m_terminal.IsReadOnly());
    EXPECT_EQ(dlg.m_terminal.GetLineMode(), LineMode::Character);
    EXPECT_EQ(dlg.m_terminal.GetLineLength(), 0U);
    EXPECT_EQ(dlg.m_checkLinemode.GetCheck(), 0);
}

}  // namespace
