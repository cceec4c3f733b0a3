// Accessible names: every control of the three windows is announced by its
// own text or by the label that stands for it in the layout, in both
// languages, and a name follows its label when the label's text changes.
// The terminal's text is read as it is painted.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QWidget>
#include <map>
#include <string>

#include "app/AboutDlg.h"
#include "framework/DialogTemplate.h"
#include "framework/Resources.h"
#include "framework/qt/AccessibleNames.h"
#include "telnet/TelnetDlg.h"
#include "testkit/MainWindow.h"

namespace {

using Names = std::map<int, std::string>;

Names NamesOf(const CDialog& dlg, const Names& expected) {
    Names actual;
    for (const auto& [id, name] : expected) actual[id] = GetAccessibleName(dlg.GetDlgItem(id));
    return actual;
}

TEST(AccessibleNames, MainWindowControlsAreNamedByTheirLabelsInBothLanguages) {
    struct Case {
        bool korean;
        Names names;
    };
    const Case cases[] = {
        {false,
         {// Fields and panes take the label above them, left of them, or their frame.
          {IDC_REMOTE_IP, "Remote Host Address"},
          {IDC_REMOTE_PORT, "Remote Host Port"},
          {IDC_LOCAL_PORT, "Local Port"},
          {IDC_DATA_LENGTH, "Data Length"},
          {IDC_SPIN, "Data Length"},
          {IDC_RECV_PANE, "Receive Data"},
          {IDC_SEND_PANE, "Send Data"},
          // The count is read under its label, not as a bare number.
          {IDC_RECV_COUNT, "Receive Count"},
          // Buttons, the check box, labels and frames by their own text.
          {IDC_BUTTON_SEND, "Send Data"},
          {IDC_BUTTON_CONNECT, "Connect"},
          {IDC_BUTTON_CLOSE, "Disconnect"},
          {IDC_BUTTON_TELNET, "Telnet"},
          {IDC_BUTTON_EXIT, "Exit"},
          {IDC_BUTTON_SAVE_RECV, "Save"},
          {IDC_BUTTON_SAVE_SEND, "Save"},
          {IDC_BUTTON_LOAD, "Load"},
          {IDC_BUTTON_CLEAR, "Clear"},
          {IDC_BUTTON_RESIZE, "Apply"},
          {IDC_KEEP_ALIVE, "Keep Alive"},
          {IDC_STATIC_BYTES, "Byte(s)"},
          {IDC_GROUP_SEND, "Send Data"},
          // No label stands for the status line and the mode combo box: the
          // window names them itself.
          {IDC_STATUS, "Status"},
          {IDC_MODE, "Connection Mode"}}},
        {true,
         {{IDC_REMOTE_IP, "통신할 주소"},
          {IDC_REMOTE_PORT, "통신할 포트"},
          {IDC_LOCAL_PORT, "로컬 포트"},
          {IDC_DATA_LENGTH, "데이터 길이"},
          {IDC_RECV_PANE, "받은 데이터"},
          {IDC_SEND_PANE, "보낼 데이터"},
          {IDC_RECV_COUNT, "받은 데이터 수"},
          {IDC_BUTTON_SEND, "데이터 보내기"},
          {IDC_STATUS, "상태"},
          {IDC_MODE, "접속 방식"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.korean ? "korean" : "english");
        LanguageScope language(c.korean, c.korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        TestMainWindow w;
        EXPECT_EQ(NamesOf(w.dlg, c.names), c.names);
    }
}

TEST(AccessibleNames, EveryLabelledControlOfTheMainWindowHasAName) {
    EnglishScope language;
    TestMainWindow w;
    const DialogTemplate* tmpl = FindDialogTemplate(IDD_MAIN);
    ASSERT_NE(tmpl, nullptr);
    for (const DialogItemTemplate& item : tmpl->items) {
        if (item.id == IDC_STATIC) continue;
        EXPECT_NE(GetAccessibleName(w.Item(item.id)), "") << item.id;
    }
}

TEST(AccessibleNames, NamesFollowTheirLabels) {
    EnglishScope language;
    TestMainWindow w;
    // "&" marks a mnemonic and "&&" stands for "&", as on the label itself.
    w.SetText(IDC_STATIC_REMOTE_IP, "&Peer && host");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_REMOTE_IP)), "Peer & host");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_STATIC_REMOTE_IP)), "Peer & host");
    w.SetText(IDC_STATIC_DATA_LENGTH, "Block size");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_DATA_LENGTH)), "Block size");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_SPIN)), "Block size");
    w.SetText(IDC_GROUP_SEND, "Outgoing");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_SEND_PANE)), "Outgoing");
    // A button's own text changes its name; it names nothing else.
    w.SetText(IDC_BUTTON_SEND, "Go");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_BUTTON_SEND)), "Go");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_SEND_PANE)), "Outgoing");
    // The count's value changes; its name stays its label's.
    w.dlg.ShowReceiveCount(1234);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "1234");
    EXPECT_EQ(GetAccessibleName(w.Item(IDC_RECV_COUNT)), "Receive Count");
}

TEST(AccessibleNames, TelnetWindowAndAboutBox) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope language(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        CTelnetDlg telnet;
        ASSERT_TRUE(telnet.Create());
        PumpMessages();
        // The line-end combos take the labels left of them; the window names
        // the terminal itself.
        const Names expected =
            korean ? Names{{IDC_TERMINAL, "터미널"},   {IDC_TX_COMBO, "송신"},
                           {IDC_RX_COMBO, "수신"},     {IDC_LINEMODE, "라인모드"},
                           {IDC_BUTTON_CLOSE, "닫기"}, {IDC_GROUP_NEWLINE, "줄 바꿈 문자"}}
                   : Names{{IDC_TERMINAL, "Terminal"},  {IDC_TX_COMBO, "Send"},
                           {IDC_RX_COMBO, "Receive"},   {IDC_LINEMODE, "Linemode"},
                           {IDC_BUTTON_CLOSE, "Close"}, {IDC_GROUP_NEWLINE, "New-line"}};
        EXPECT_EQ(NamesOf(telnet, expected), expected);
        EXPECT_EQ(GetAccessibleName(&telnet), korean ? "텔넷" : "Telnet");
        telnet.DestroyWindow();

        CAboutDlg about;
        ASSERT_TRUE(about.Create());
        PumpMessages();
        EXPECT_EQ(GetAccessibleName(about.GetDlgItem(IDC_VERSION)), "Velmora v1.3b (2009/03/26)");
        EXPECT_EQ(GetAccessibleName(about.GetDlgItem(IDOK)), korean ? "확인" : "OK");
        about.DestroyWindow();
    }
}

TEST(AccessibleText, TerminalIsReadAsItIsPaintedWithOffsetsInWhatIsRead) {
    EnglishScope english;
    CTelnetDlg telnet;
    ASSERT_TRUE(telnet.Create());
    PumpMessages();
    CTelnetEdit& terminal = telnet.m_terminal;
    terminal.ReplaceSel("\xED\x95\x9C\xEA\xB8\x80 ok\r\n", false);  // 한글 ok, 11 bytes

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(terminal.m_hWnd);
    ASSERT_NE(iface, nullptr);
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Value), QString::fromUtf8("한글 ok\r\n"));
    EXPECT_EQ(text->characterCount(), 7);
    EXPECT_EQ(text->text(0, 2), QString::fromUtf8("한글"));
    EXPECT_EQ(text->cursorPosition(), 7);

    // An offset is a character of what is read; the control counts bytes.
    text->setSelection(0, 1, 3);
    int start = 0;
    int end = 0;
    terminal.GetSel(start, end);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 7);
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    telnet.DestroyWindow();
}

}  // namespace
