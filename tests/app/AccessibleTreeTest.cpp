// What a screen reader finds walking the windows' accessibility trees: a
// name on every control in both languages, the status line as a status
// bar, combo boxes named by their labels with their selection as value,
// and the data-length spin's value and actions.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "telnet/TelnetDlg.h"
#include "testkit/MainWindow.h"

namespace {

QAccessibleInterface* InterfaceOf(CWnd* wnd) {
    return QAccessible::queryAccessibleInterface(wnd->m_hWnd);
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Every object of the tree below `root`, with the names of the objects
// above it, for messages.
void Walk(QAccessibleInterface* node, const std::string& path,
          const std::function<void(QAccessibleInterface*, const std::string&)>& visit) {
    if (!node) return;
    const std::string here =
        path + "/" + std::to_string(node->role()) + "'" + Utf8(node->text(QAccessible::Name)) + "'";
    visit(node, here);
    for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), here, visit);
}

// The objects that have no name. A frame without a title is decoration,
// not a control, and the About box's picture is the program's icon.
std::vector<std::string> Unnamed(CWnd* window, int* count) {
    std::vector<std::string> unnamed;
    Walk(InterfaceOf(window), "", [&](QAccessibleInterface* node, const std::string& path) {
        ++*count;
        const QAccessible::Role role = node->role();
        if (role == QAccessible::Grouping || role == QAccessible::Graphic) return;
        if (node->text(QAccessible::Name).isEmpty()) unnamed.push_back(path);
    });
    return unnamed;
}

TEST(AccessibleTree, EveryControlOfEveryWindowHasANameInBothLanguages) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope language(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        int count = 0;
        {
            TestMainWindow w;
            // In every mode: the fields change places, the labels their texts.
            for (int mode : {0, 1, 2}) {
                w.ChooseMode(mode);
                EXPECT_EQ(Unnamed(&w.dlg, &count), std::vector<std::string>{}) << "mode " << mode;
            }
        }
        CTelnetDlg telnet;
        ASSERT_TRUE(telnet.Create());
        PumpMessages();
        EXPECT_EQ(Unnamed(&telnet, &count), std::vector<std::string>{});
        telnet.DestroyWindow();
        CAboutDlg about;
        ASSERT_TRUE(about.Create());
        PumpMessages();
        EXPECT_EQ(Unnamed(&about, &count), std::vector<std::string>{});
        about.DestroyWindow();
        // The walk reaches the controls' parts too (lists, list items, scroll bars).
        EXPECT_GT(count, 120);
    }
}

TEST(AccessibleTree, StatusLineIsAStatusBarReadAsText) {
    EnglishScope language;
    TestMainWindow w;
    QAccessibleInterface* status = InterfaceOf(w.Item(IDC_STATUS));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->role(), QAccessible::StatusBar);
    EXPECT_EQ(Utf8(status->text(QAccessible::Name)), "Status");
    ASSERT_NE(status->textInterface(), nullptr);
    EXPECT_EQ(Utf8(status->textInterface()->text(0, -1)), "Ready");
    EXPECT_TRUE(status->state().readOnly);
    EXPECT_TRUE(status->state().focusable);
    // The reader reads the new status (the line edit tells it of the
    // change, as any field does).
    w.dlg.SetStatusText("Connected [127.0.0.1 : 1470]");
    EXPECT_EQ(Utf8(status->textInterface()->text(0, -1)), "Connected [127.0.0.1 : 1470]");
    EXPECT_EQ(Utf8(status->text(QAccessible::Value)), "Connected [127.0.0.1 : 1470]");
}

TEST(AccessibleTree, CombosAreNamedByTheirLabelsAndReadByTheirSelection) {
    EnglishScope language;
    {
        TestMainWindow w;
        QAccessibleInterface* mode = InterfaceOf(w.Item(IDC_MODE));
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(mode->role(), QAccessible::ComboBox);
        EXPECT_EQ(Utf8(mode->text(QAccessible::Name)), "Connection Mode");
        EXPECT_EQ(Utf8(mode->text(QAccessible::Value)), "TCP Client");
        ASSERT_NE(mode->textInterface(), nullptr);
        w.ChooseMode(2);
        EXPECT_EQ(Utf8(mode->textInterface()->text(0, -1)), "UDP");
        EXPECT_EQ(Utf8(mode->text(QAccessible::Name)), "Connection Mode");
        // Its list, with the three items.
        ASSERT_EQ(mode->childCount(), 1);
        QAccessibleInterface* list = mode->child(0);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(mode->indexOfChild(list), 0);
        EXPECT_EQ(list->parent()->object(), mode->object());
        std::vector<std::string> items;
        for (int i = 0; i < list->childCount(); ++i)
            items.push_back(Utf8(list->child(i)->text(QAccessible::Name)));
        EXPECT_EQ(items, (std::vector<std::string>{"TCP Client", "TCP Server", "UDP"}));
    }
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope scope(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        CTelnetDlg telnet;
        ASSERT_TRUE(telnet.Create());
        PumpMessages();
        QAccessibleInterface* tx = InterfaceOf(telnet.GetDlgItem(IDC_TX_COMBO));
        QAccessibleInterface* rx = InterfaceOf(telnet.GetDlgItem(IDC_RX_COMBO));
        ASSERT_TRUE(tx && rx);
        EXPECT_EQ(Utf8(tx->text(QAccessible::Name)), korean ? "송신" : "Send");
        EXPECT_EQ(Utf8(rx->text(QAccessible::Name)), korean ? "수신" : "Receive");
        EXPECT_EQ(Utf8(tx->text(QAccessible::Value)), "CR -> CR+LF");
        // An editable combo's field carries the combo's name.
        ASSERT_EQ(tx->childCount(), 2);
        EXPECT_EQ(Utf8(tx->child(1)->text(QAccessible::Name)), korean ? "송신" : "Send");
        EXPECT_EQ(tx->child(1)->role(), QAccessible::EditableText);
        telnet.DestroyWindow();
    }
}

TEST(AccessibleTree, DataLengthSpinHasTheFieldsValueAndStepsIt) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    QAccessibleInterface* spin = InterfaceOf(w.Item(IDC_SPIN));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->role(), QAccessible::SpinBox);
    ASSERT_NE(spin->valueInterface(), nullptr);
    ASSERT_NE(spin->actionInterface(), nullptr);
    EXPECT_EQ(spin->valueInterface()->currentValue().toInt(), 36);
    EXPECT_EQ(Utf8(spin->text(QAccessible::Value)), "36");

    QAccessibleActionInterface* actions = spin->actionInterface();
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::decreaseAction()));
    actions->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "37");
    EXPECT_EQ(spin->valueInterface()->currentValue().toInt(), 37);
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "35");
    // A field that holds no number gives the spin no value.
    w.SetText(IDC_DATA_LENGTH, "abc");
    EXPECT_FALSE(spin->valueInterface()->currentValue().isValid());
}

}  // namespace
