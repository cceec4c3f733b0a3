// The main window as it stands after initialisation, its validation, its
// exit confirmation and its About box.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <functional>
#include <map>

#include "app/AboutDlg.h"
#include "app/LinkApp.h"
#include "framework/SocketApi.h"
#include "testkit/MainWindow.h"

namespace {

struct ControlExpectation {
    int id;
    const char* english;
    const char* korean;
    bool enabled;
};

// Every control that shows a text, with its text in both languages and
// whether it is enabled once the window has initialised.
const ControlExpectation kControls[] = {
    {IDC_REMOTE_IP, "10.1.0.1", "10.1.0.1", true},
    {IDC_REMOTE_PORT, "1470", "1470", true},
    {IDC_BUTTON_CONNECT, "Connect", "접속 하기", true},
    {IDC_BUTTON_CLOSE, "Disconnect", "접속 종료", false},
    {IDC_BUTTON_TELNET, "Telnet", "텔넷", true},
    {IDC_BUTTON_EXIT, "Exit", "프로그램 종료", true},
    {IDC_BUTTON_SAVE_RECV, "Save", "저장하기", true},
    {IDC_BUTTON_CLEAR, "Clear", "삭제", true},
    {IDC_BUTTON_LOAD, "Load", "불러오기", true},
    {IDC_BUTTON_SAVE_SEND, "Save", "저장하기", true},
    {IDC_BUTTON_RESIZE, "Apply", "적용", true},
    {IDC_BUTTON_SEND, "Send Data", "데이터 보내기", false},
    {IDC_GROUP_SEND, "Send Data", "보낼 데이터", true},
    {IDC_GROUP_RECV, "Receive Data", "받은 데이터", true},
    {IDC_STATIC_REMOTE_IP, "Remote Host Address", "통신할 주소", true},
    {IDC_STATIC_REMOTE_PORT, "Remote Host Port", "통신할 포트", true},
    {IDC_STATUS, "Ready", "대기 중", true},
    {IDC_DATA_LENGTH, "36", "36", true},
    {IDC_KEEP_ALIVE, "Keep Alive", "접속유지", true},
    {IDC_STATIC_RECV_COUNT, "Receive Count", "받은 데이터 수", true},
    {IDC_RECV_COUNT, "0", "0", true},
    {IDC_STATIC_LOCAL_PORT, "Local Port", "로컬 포트", true},
    {IDC_LOCAL_PORT, "1470", "1470", false},
    {IDC_STATIC_BYTES, "Byte(s)", "바이트", true},
    {IDC_STATIC_DATA_LENGTH, "Data Length", "데이터 길이", true},
    {IDC_SPIN, "Spin1", "Spin1", true},
};

void ExpectInitialWindow(TestMainWindow& w, bool korean) {
    for (const ControlExpectation& c : kControls) {
        SCOPED_TRACE(::testing::Message() << "control " << c.id);
        EXPECT_EQ(w.Text(c.id), korean ? c.korean : c.english);
        EXPECT_EQ(w.Enabled(c.id), c.enabled);
    }
    EXPECT_EQ(w.dlg.GetWindowText(), "Velmora v1.3b (2009/03/26)");
    ASSERT_EQ(w.Get<CComboBox>(IDC_MODE).GetCount(), 3);
    EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetLBText(0), korean ? "TCP 클라이언트" : "TCP Client");
    EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetLBText(1), korean ? "TCP 서버" : "TCP Server");
    EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetLBText(2), "UDP");
    EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetCurSel(), 0);
    EXPECT_EQ(w.Get<CButton>(IDC_KEEP_ALIVE).GetCheck(), 0);
    EXPECT_EQ(w.State(), Idle);
    EXPECT_FALSE(w.TelnetActive());
    EXPECT_EQ(w.RecvPane().m_nLength, 0);
    ASSERT_EQ(w.SendPane().m_nLength, 36);
    EXPECT_EQ(w.SendPane().m_data.ToVector(),
              std::vector<std::uint8_t>(std::begin("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                                        std::end("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ") - 1));
}

}  // namespace

TEST(MainWindow, StartsWithEnglishTextsAndDefaults) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    ExpectInitialWindow(w, false);
    EXPECT_TRUE(prompts.Records().empty());
}

TEST(MainWindow, StartsWithKoreanTextsOnAKoreanUserInterface) {
    LanguageScope language(true, LANG_ID_KOREAN);
    ScriptedPrompts prompts;
    TestMainWindow w;
    ExpectInitialWindow(w, true);
}

TEST(MainWindow, FontFollowsTheSystemLanguageNotTheTexts) {
    struct Row {
        const char* name;
        bool koreanUi;
        LANGID langId;
        const char* family;
    };
    const Row rows[] = {
        {"english system", false, 0x0409, "Liberation Mono"},
        {"korean system", true, 0x0412, "NanumGothicCoding"},
        {"korean johab system, english texts", false, 0x0812, "NanumGothicCoding"},
        {"korean texts, german system", true, 0x0407, "Liberation Mono"},
    };
    // The toolkit names a family in the system's language (NanumGothicCoding
    // is 나눔고딕코딩 in a Korean locale): compare with the name it gives the
    // installed family itself.
    const auto familyNamed = [](const char* family) {
        CFont font;
        font.CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, family);
        return font.ActualFamily();
    };
    const std::map<std::string, std::string> installed = {
        {"Liberation Mono", familyNamed("Liberation Mono")},
        {"NanumGothicCoding", familyNamed("NanumGothicCoding")}};
    ASSERT_NE(installed.at("Liberation Mono"), installed.at("NanumGothicCoding"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LanguageScope language(row.koreanUi, row.langId);
        TestMainWindow w;
        const CFont* expected = row.family == std::string("Liberation Mono")
                                    ? LinkDlgProbe::DefaultFont(w.dlg)
                                    : LinkDlgProbe::KoreanFont(w.dlg);
        for (const ControlExpectation& c : kControls) {
            ASSERT_EQ(w.Item(c.id)->GetFont(), expected) << "control " << c.id;
        }
        EXPECT_EQ(w.SendPane().GetFont(), expected);
        EXPECT_EQ(expected->ActualFamily(), installed.at(row.family));
        EXPECT_EQ(expected->GetTextMetrics().tmHeight,
                  expected == LinkDlgProbe::KoreanFont(w.dlg) ? 13 : 14);
    }
}

TEST(MainWindow, RemoteAddressFieldHasTheFocus) {
    EnglishScope language;
    TestMainWindow w;
    EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_REMOTE_IP));
}

TEST(MainWindow, PortValidationNamesTheRangeAndSelectsTheField) {
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"0", "Please enter an integer between 1 and 65535."},
        {"65536", "Please enter an integer between 1 and 65535."},
        {"99999999999999999999", "Please enter an integer between 1 and 65535."},
        {"abc", "Please enter a positive integer."},
        {"-1", "Please enter a positive integer."},
        {"", "Please enter a positive integer."},
        {"8 0", "Please enter a positive integer."},
    };
    EnglishScope language;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.SetText(IDC_REMOTE_PORT, row.text);
        EXPECT_FALSE(w.dlg.UpdateData(true));
        const auto boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.message);
        EXPECT_EQ(boxes[0].caption, "velmora");
        EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_REMOTE_PORT));
        int start = -1, end = -1;
        w.Get<CEdit>(IDC_REMOTE_IP).GetSel(start, end);
        auto* port = dynamic_cast<CEdit*>(w.Item(IDC_REMOTE_PORT));
        port->GetSel(start, end);
        EXPECT_EQ(start, 0);
        EXPECT_EQ(end, static_cast<int>(std::string(row.text).size()));
    }
}

TEST(MainWindow, PortWithBlanksAroundItPasses) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    w.SetText(IDC_REMOTE_PORT, " \t80 ");
    EXPECT_TRUE(w.dlg.UpdateData(true));
    EXPECT_EQ(LinkDlgProbe::RemotePort(w.dlg), 80u);
    EXPECT_TRUE(prompts.Records().empty());
}

TEST(MainWindow, FirstFailingFieldStopsTheExchange) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    w.SetText(IDC_REMOTE_PORT, "0");
    w.SetText(IDC_DATA_LENGTH, "abc");
    w.SetText(IDC_REMOTE_IP, "127.0.0.1");
    EXPECT_FALSE(w.dlg.UpdateData(true));
    EXPECT_EQ(prompts.MessageBoxes().size(), 1u);
    EXPECT_EQ(LinkDlgProbe::RemoteIP(w.dlg), "10.1.0.1")
        << "fields after the failing one are not taken";
}

TEST(MainWindow, ModeIndexFollowsTheCombo) {
    EnglishScope language;
    TestMainWindow w;
    w.ChooseMode(TcpServer);
    EXPECT_EQ(LinkDlgProbe::Mode(w.dlg), TcpServer);
    w.dlg.UpdateData(false);
    EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetCurSel(), TcpServer)
        << "a write-back keeps the user's choice";
}

TEST(MainWindow, ExitAsksAndEndsOnlyOnYes) {
    EnglishScope language;
    struct Row {
        const char* name;
        int answer;
        bool closes;
    };
    const Row rows[] = {{"no", IDNO, false}, {"yes", IDYES, true}};
    enum class Way { ExitButton, CloseBox, SystemMenuClose };
    for (Way way : {Way::ExitButton, Way::CloseBox, Way::SystemMenuClose}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(::testing::Message() << row.name << " way " << static_cast<int>(way));
            ScriptedPrompts prompts;
            prompts.QueueAnswer(row.answer);
            TestMainWindow w;
            switch (way) {
            case Way::ExitButton:
                w.Click(IDC_BUTTON_EXIT);
                break;
            case Way::CloseBox:
                SimulateCloseRequest(&w.dlg);
                break;
            case Way::SystemMenuClose:
                w.dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            }
            const auto boxes = prompts.MessageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "Do you want to exit program?");
            EXPECT_EQ(boxes[0].caption, "Velmora v1.3b (2009/03/26)");
            EXPECT_EQ(boxes[0].type, 0x34u);
            EXPECT_EQ(w.dlg.IsWindowVisible(), !row.closes);
        }
    }
}

TEST(MainWindow, EnterAndEscapeNeverCloseIt) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    w.Key(IDC_REMOTE_IP, VK_ESCAPE, "\x1b");
    w.Key(IDC_BUTTON_CONNECT, VK_ESCAPE, "\x1b");
    w.Key(IDC_REMOTE_IP, VK_RETURN, "\r");
    EXPECT_TRUE(w.dlg.IsWindowVisible());
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(MainWindow, SystemMenuGainsTheAboutItem) {
    EnglishScope language;
    TestMainWindow w;
    const auto& items = w.dlg.GetSystemMenu(false)->Items();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].flags, MF_SEPARATOR);
    EXPECT_EQ(items.back().id, IDM_ABOUTBOX);
    EXPECT_EQ(items.back().text, "&About Velmora...");
}

namespace {

// The texts of the popup menu that `open` shows, read from inside its own
// loop, which then ends.
std::vector<std::string> MenuShownBy(const std::function<void()>& open) {
    std::vector<std::string> shown;
    PostCall([&] {
        QMenu* menu = nullptr;
        PumpUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); },
                  2000);
        if (!menu) return;
        for (const QAction* action : menu->actions()) shown.push_back(action->text().toStdString());
        menu->close();
    });
    open();
    return shown;
}

}  // namespace

TEST(MainWindow, SystemMenuOpensWithAltSpaceInTheInterfaceLanguage) {
    struct Row {
        bool korean;
        std::vector<std::string> items;
    };
    const Row rows[] = {
        {false, {"&Move", "", "&Close\tAlt+F4", "", "&About Velmora..."}},
        {true, {"이동(&M)", "", "닫기(&C)\tAlt+F4", "", "Velmora 정보.(&A)..."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.korean ? "korean" : "english");
        LanguageScope language(row.korean, row.korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        TestMainWindow w;
        // Alt+Space from a field and from a pane: the key stays the window's.
        EXPECT_EQ(MenuShownBy([&] {
                      SimulateKey(w.Item(IDC_REMOTE_IP), VK_SPACE, " ", KeyModifiers{.alt = true});
                  }),
                  row.items);
        const std::string dump = w.SendPane().GetText();
        EXPECT_EQ(MenuShownBy([&] {
                      SimulateKey(&w.SendPane(), VK_SPACE, " ", KeyModifiers{.alt = true});
                  }),
                  row.items);
        EXPECT_EQ(w.SendPane().GetText(), dump);
    }
}

TEST(AboutBox, OpensFromTheSystemMenuAndClosesEveryWay) {
    EnglishScope language;
    enum class Way { Enter, Escape, OkButton, CloseBox };
    for (Way way : {Way::Enter, Way::Escape, Way::OkButton, Way::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        ScriptedPrompts prompts;
        TestMainWindow w;
        std::string version, okText, caption;
        bool closed = false;
        PostCall([&] {
            // Inside the About box's modal loop: its OK button has the focus.
            CWnd* ok = CWnd::GetFocus();
            CWnd* about = ok ? ok->GetParent() : nullptr;
            if (!about || about == &w.dlg || !about->GetDlgItem(IDC_VERSION)) {
                ADD_FAILURE() << "the About box does not have the focus";
                if (about) SimulateCloseRequest(about);
                return;
            }
            version = about->GetDlgItem(IDC_VERSION)->GetWindowText();
            okText = ok->GetWindowText();
            caption = about->GetWindowText();
            switch (way) {
            case Way::Enter:
                SimulateKey(ok, VK_RETURN, "\r");
                break;
            case Way::Escape:
                SimulateKey(ok, VK_ESCAPE, "\x1b");
                break;
            case Way::OkButton:
                dynamic_cast<CButton*>(ok)->Click();
                break;
            case Way::CloseBox:
                SimulateCloseRequest(about);
                break;
            }
        });
        w.dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        closed = true;
        EXPECT_TRUE(closed);
        EXPECT_EQ(version, "Velmora v1.3b (2009/03/26)");
        EXPECT_EQ(okText, "OK");
        EXPECT_EQ(caption, "About Velmora");
        EXPECT_TRUE(w.dlg.IsWindowVisible());
        EXPECT_TRUE(prompts.Records().empty());
    }
}

TEST(Startup, SocketLayerFailureShowsTheMessageAndEnds) {
    EnglishScope language;
    ScriptedPrompts prompts;
    OverrideSocketInit(false);
    CLinkApp app;
    EXPECT_FALSE(app.InitInstance());
    OverrideSocketInit(std::nullopt);
    const auto boxes = prompts.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Windows sockets initialization failed.");
    EXPECT_EQ(boxes[0].caption, "velmora");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}
