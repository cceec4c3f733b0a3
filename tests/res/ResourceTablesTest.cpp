// Checks the resource tables against what the windows rely on: complete
// string tables in both languages with the exact texts, the main window's
// tab order, the byte-per-character data-length placeholder, the Telnet
// combo items and a well-formed icon.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "res/Resources.h"

namespace {

// The code points of a UTF-8 text, or nothing if it is not valid UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = -1;
        if (lead < 0x80)
            extra = 0;
        else if ((lead & 0xE0) == 0xC0)
            extra = 1;
        else if ((lead & 0xF0) == 0xE0)
            extra = 2;
        else if ((lead & 0xF8) == 0xF0)
            extra = 3;
        if (extra < 0 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return std::nullopt;
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

std::string TextOf(std::span<const StringTableEntry> table, UINT id) {
    for (const auto& entry : table)
        if (entry.id == id) return std::string(entry.text);
    return "<missing>";
}

const DialogTemplate& Dialog(UINT id) {
    for (const DialogTemplate* dialog : VelmoraResources().dialogs)
        if (dialog->id == id) return *dialog;
    throw std::runtime_error("no dialog template " + std::to_string(id));
}

const DialogItemTemplate& Item(const DialogTemplate& dialog, int id) {
    for (const auto& item : dialog.items)
        if (item.id == id) return item;
    throw std::runtime_error("no control " + std::to_string(id));
}

}  // namespace

TEST(StringTables, BothLanguagesHoldExactlyTheIds101To151Except102) {
    std::vector<UINT> expected;
    for (UINT id = 101; id <= 151; ++id)
        if (id != 102) expected.push_back(id);

    const auto& res = VelmoraResources();
    for (const auto table : {res.englishStrings, res.koreanStrings}) {
        std::vector<UINT> ids;
        for (const auto& entry : table) ids.push_back(entry.id);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, expected);
    }
}

TEST(StringTables, TextsAreExactInBothLanguages) {
    struct Case {
        UINT id;
        const char* english;
        const char* korean;
    };
    const Case cases[] = {
        {101, "&About Velmora...", "Velmora 정보.(&A)..."},
        {103, "Windows sockets initialization failed.", "소켓을 초기화 할 수 없습니다."},
        {104, "Velmora v1.3b (2009/03/26)", "Velmora v1.3b (2009/03/26)"},
        {105, "Receive", "수신"},
        {106, "Send", "송신"},
        {109, "Receive Count", "받은 데이터 수"},
        {110, "Byte(s)", "바이트"},
        {118, "Connect", "접속 하기"},
        {121, "Ready", "대기 중"},
        {127, "Do you want to exit program?", "프로그램을 종료 하시겠습니까?"},
        {130, "New-line", "줄 바꿈 문자"},
        {132, "Don't Convert", "변환안함"},
        {133, "Send Data", "데이터 보내기"},
        {134, "Data Length", "데이터 길이"},
        {136, "Send Data", "보낼 데이터"},
        {137, "TCP Client", "TCP 클라이언트"},
        {138, "TCP Server", "TCP 서버"},
        {149, "%1 byte(s) were not sent.", "%1 바이트를 보내지 못했습니다."},
    };
    const auto& res = VelmoraResources();
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(res.englishStrings, c.id), c.english) << "string " << c.id;
        EXPECT_EQ(TextOf(res.koreanStrings, c.id), c.korean) << "string " << c.id;
    }
}

// Catches an English text pasted into the Korean table or a mis-encoded one.
TEST(StringTables, EnglishIsAsciiKoreanIsUtf8AndOnlyTheVersionIsShared) {
    const auto& res = VelmoraResources();
    for (const auto& entry : res.englishStrings) {
        const std::string_view text = entry.text;
        EXPECT_FALSE(text.empty()) << "string " << entry.id;
        EXPECT_TRUE(
            std::all_of(text.begin(), text.end(), [](char ch) { return ch >= 0x20 && ch < 0x7F; }))
            << "string " << entry.id;

        const std::string korean = TextOf(res.koreanStrings, entry.id);
        EXPECT_TRUE(DecodeUtf8(korean).has_value()) << "string " << entry.id;
        EXPECT_EQ(korean == text, entry.id == IDS_VERSION) << "string " << entry.id;
    }
}

TEST(Dialogs, AllThreeTemplatesAreRegisteredOnce) {
    std::multiset<UINT> ids;
    for (const DialogTemplate* dialog : VelmoraResources().dialogs) ids.insert(dialog->id);
    EXPECT_EQ(ids, (std::multiset<UINT>{IDD_ABOUTBOX, IDD_MAIN, IDD_TELNET}));
}

TEST(MainDialog, ControlsAreInTabOrderWithTheirClasses) {
    struct Expected {
        int id;
        std::string_view windowClass;
    };
    const Expected order[] = {
        {1056, WC_EDIT},     {1013, WC_EDIT},     {1014, WC_BUTTON}, {1020, WC_BUTTON},
        {1034, WC_BUTTON},   {1065, WC_BUTTON},   {1032, WC_BUTTON}, {1021, WC_BUTTON},
        {1031, WC_BUTTON},   {1033, WC_BUTTON},   {1029, WC_BUTTON}, {1019, WC_BUTTON},
        {1060, WC_BUTTON},   {1059, WC_BUTTON},   {1061, WC_STATIC}, {1062, WC_STATIC},
        {1037, WC_EDIT},     {1039, WC_EDIT},     {1040, WC_UPDOWN}, {1008, WC_RICHEDIT},
        {1004, WC_RICHEDIT}, {1057, WC_BUTTON},   {1066, WC_STATIC}, {1058, WC_STATIC},
        {1063, WC_STATIC},   {1015, WC_EDIT},     {-1, WC_BUTTON},   {1064, WC_STATIC},
        {1069, WC_STATIC},   {1072, WC_COMBOBOX},
    };
    const auto& items = Dialog(IDD_MAIN).items;
    ASSERT_EQ(items.size(), std::size(order));
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].id, order[i].id) << "position " << i + 1;
        EXPECT_EQ(items[i].windowClass, order[i].windowClass) << "control " << items[i].id;
        EXPECT_TRUE((items[i].style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE))
            << "control " << items[i].id;
    }
}

// Enter in a single-line field must reach RESIZE and nothing else.
TEST(MainDialog, ResizeIsTheOnlyDefaultPushButton) {
    for (const auto& item : Dialog(IDD_MAIN).items) {
        const bool isDefault =
            item.windowClass == WC_BUTTON && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        EXPECT_EQ(isDefault, item.id == IDC_BUTTON_RESIZE) << "control " << item.id;
    }
}

TEST(MainDialog, DataLengthPlaceholderIsTheTenBytesAsCodePoints) {
    const auto decoded = DecodeUtf8(Item(Dialog(IDD_MAIN), IDC_STATIC_DATA_LENGTH).text);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, U"\u00B5\u00A5\u00C0\u00CC\u00C5\u00CD\u00B1\u00E6\u00C0\u00CC");
}

TEST(TelnetDialog, CombosGetTheirConversionItemsInOrder) {
    const auto& dialog = Dialog(IDD_TELNET);
    std::vector<std::pair<int, std::string>> items;
    for (const auto& item : dialog.comboItems) items.emplace_back(item.id, std::string(item.text));
    const std::vector<std::pair<int, std::string>> expected = {
        {1048, "CR -> CR+LF"},
        {1048, "CR -> LF"},
        {1047, "CR -> CR+LF"},
        {1047, "LF -> CR+LF"},
    };
    EXPECT_EQ(items, expected);

    std::vector<int> ids;
    for (const auto& item : dialog.items) ids.push_back(item.id);
    EXPECT_EQ(ids, (std::vector<int>{1042, 1048, 1047, 1020, 1060, 1059, 1052, 1068, 1069}));

    // The terminal wraps its lines and the combos accept the typed edit field.
    const DWORD terminal = Item(dialog, IDC_TERMINAL).style;
    EXPECT_TRUE(terminal & ES_MULTILINE);
    EXPECT_FALSE(terminal & ES_AUTOHSCROLL);
    EXPECT_EQ(Item(dialog, IDC_TX_COMBO).style & CBS_TYPEMASK, CBS_DROPDOWN);
    EXPECT_EQ(Item(dialog, IDC_RX_COMBO).style & CBS_TYPEMASK, CBS_DROPDOWN);
}

TEST(AboutDialog, ShowsTheIconAndClosesWithOk) {
    const auto& dialog = Dialog(IDD_ABOUTBOX);
    EXPECT_EQ(dialog.items.front().text, "#" + std::to_string(IDR_MAINFRAME));
    EXPECT_EQ(dialog.items.front().style & SS_TYPEMASK, SS_ICON);
    EXPECT_TRUE(Item(dialog, IDC_VERSION).style & SS_NOPREFIX);
    EXPECT_EQ(Item(dialog, IDOK).style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST(AppIcon, HasA32AndA16ImageOfValidPaletteIndexes) {
    const auto& icons = VelmoraResources().icons;
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0]->id, IDR_MAINFRAME);

    std::vector<int> sizes;
    for (const auto& image : icons[0]->images) {
        sizes.push_back(image.size);
        EXPECT_EQ(image.palette.size(), 16u);
        EXPECT_EQ(image.pixels.size(), size_t(image.size * image.size)) << image.size;
        EXPECT_TRUE(std::all_of(image.pixels.begin(), image.pixels.end(), [](char ch) {
            return std::isxdigit(static_cast<unsigned char>(ch));
        })) << image.size;
        // Not a blank image: a motif needs several colours.
        EXPECT_GE(std::set<char>(image.pixels.begin(), image.pixels.end()).size(), 4u);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}
