// The dialog manager's keys in the main window: Tab follows the template's
// tab order, Enter presses the focused push button or else the default one.

#include <gtest/gtest.h>

#include "testkit/MainWindow.h"

TEST(DialogManager, TabFollowsTheTemplateOrderOverEnabledTabStops) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    // At start, in template order: the tab stops that are enabled.
    const int forward[] = {IDC_REMOTE_IP,     IDC_REMOTE_PORT, IDC_BUTTON_CONNECT,
                           IDC_BUTTON_TELNET, IDC_BUTTON_EXIT, IDC_BUTTON_SAVE_RECV,
                           IDC_BUTTON_CLEAR,  IDC_BUTTON_LOAD, IDC_BUTTON_SAVE_SEND,
                           IDC_BUTTON_RESIZE, IDC_STATUS,      IDC_DATA_LENGTH,
                           IDC_RECV_PANE,     IDC_SEND_PANE,   IDC_KEEP_ALIVE,
                           IDC_MODE,          IDC_REMOTE_IP};
    w.Item(IDC_REMOTE_IP)->SetFocus();
    for (std::size_t i = 0; i + 1 < std::size(forward); ++i) {
        CWnd* from = CWnd::GetFocus();
        ASSERT_EQ(from, w.Item(forward[i])) << "step " << i;
        // The panes keep Tab for themselves; Ctrl+Tab leaves them.
        const bool pane = forward[i] == IDC_RECV_PANE || forward[i] == IDC_SEND_PANE;
        SimulateKey(from, VK_TAB, "\t", KeyModifiers{false, pane, false});
    }
    EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_REMOTE_IP));
    SimulateKey(w.Item(IDC_REMOTE_IP), VK_TAB, "\t", KeyModifiers{true, false, false});
    EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_MODE)) << "Shift+Tab goes back";
    EXPECT_TRUE(prompts.Records().empty());
}

TEST(DialogManager, EnterPressesTheFocusedButtonElseTheDefaultOne) {
    EnglishScope language;
    {
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.Key(IDC_BUTTON_EXIT, VK_RETURN, "\r");
        ASSERT_EQ(prompts.MessageBoxes().size(), 1u);
        EXPECT_EQ(prompts.MessageBoxes()[0].text, "Do you want to exit program?");
    }
    {
        // In a field, Enter is the default button: RESIZE, which validates
        // the form (here it refuses the data length, once).
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.SetText(IDC_DATA_LENGTH, "0");
        w.Key(IDC_REMOTE_PORT, VK_RETURN, "\r");
        ASSERT_EQ(prompts.MessageBoxes().size(), 1u);
        EXPECT_EQ(prompts.MessageBoxes()[0].text, "Please enter an integer between 1 and 65535.");
        EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_DATA_LENGTH));
    }
}

TEST(DialogManager, CommandsOfAnUnmappedIdAreIgnored) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    w.dlg.SendMessage(WM_COMMAND, MAKEWPARAM(4242, BN_CLICKED), 0);
    w.dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON_EXIT, CBN_SELCHANGE), 0);
    EXPECT_TRUE(prompts.Records().empty());
    EXPECT_TRUE(w.dlg.IsWindowVisible());
}
