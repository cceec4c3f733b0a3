// The hex pane's editing: cursor keys, typing in hex and in the character
// column, Tab, Backspace, ignored input, and where a click puts the caret.

#include <gtest/gtest.h>

#include <functional>

#include "panes/HexPaneSupport.h"

namespace {

using namespace hexpane;

// 100 lines, the last with 6 bytes; a page is 11 lines, so the top line
// runs from 0 to 89 and the view shows 12 rows.
constexpr std::int64_t kLong = 99 * 16 + 6;

struct Input {
    const char* name;
    std::function<void(CHexView&)> give;
};

const Input kKeyUp{"Up", [](CHexView& p) { Press(p, kUp); }};
const Input kKeyPageUp{"PageUp", [](CHexView& p) { Press(p, kPageUp); }};
const Input kKeyLeft{"Left", [](CHexView& p) { Press(p, kLeft); }};
const Input kKeyRight{"Right", [](CHexView& p) { Press(p, kRight); }};
const Input kKeyDown{"Down", [](CHexView& p) { Press(p, kDown); }};
const Input kKeyPageDown{"PageDown", [](CHexView& p) { Press(p, kPageDown); }};
const Input kBackspace{"Backspace", [](CHexView& p) { Char(p, '\b'); }};

TEST_F(HexPaneTest, CursorKeysAndBackspaceMoveOverTheDataPositions) {
    struct Case {
        const char* name;
        std::int64_t length;
        std::int64_t from;  // top line before
        Caret before;
        const Input& input;
        std::int64_t top;  // top line after
        Caret after;
    };
    const Case cases[] = {
        {"up within the view", kLong, 0, {3, 14}, kKeyUp, 0, {2, 14}},
        {"up on the first row scrolls", kLong, 10, {0, 14}, kKeyUp, 9, {0, 14}},
        {"up on the first row at the top", kLong, 0, {0, 14}, kKeyUp, 0, {0, 14}},
        {"page up", kLong, 50, {4, 38}, kKeyPageUp, 39, {4, 38}},
        {"page up at the top", kLong, 0, {4, 38}, kKeyPageUp, 0, {4, 38}},

        {"left: low digit to high digit", kLong, 0, {2, 14}, kKeyLeft, 0, {2, 13}},
        {"left: high digit to the byte before", kLong, 0, {2, 13}, kKeyLeft, 0, {2, 11}},
        {"left: across the group gap", kLong, 0, {2, 35}, kKeyLeft, 0, {2, 32}},
        {"left: character cell", kLong, 0, {2, 61}, kKeyLeft, 0, {2, 60}},
        {"left: first digit to the row above", kLong, 0, {2, 10}, kKeyLeft, 0, {1, 57}},
        {"left: first cell to the row above", kLong, 0, {2, 60}, kKeyLeft, 0, {1, 75}},
        {"left: first row scrolls (hex)", kLong, 10, {0, 10}, kKeyLeft, 9, {0, 57}},
        {"left: first row scrolls (text)", kLong, 10, {0, 60}, kKeyLeft, 9, {0, 75}},
        {"left: start of the buffer", kLong, 0, {0, 10}, kKeyLeft, 0, {0, 10}},
        {"backspace: to the row above", kLong, 0, {2, 10}, kBackspace, 0, {1, 57}},
        {"backspace: cell to the row above", kLong, 0, {2, 60}, kBackspace, 0, {1, 75}},
        {"backspace: across the top of the view", kLong, 10, {0, 10}, kBackspace, 9, {0, 57}},
        {"backspace: start of the buffer", kLong, 0, {0, 60}, kBackspace, 0, {0, 60}},

        {"right: high digit to low digit", kLong, 0, {2, 10}, kKeyRight, 0, {2, 11}},
        {"right: low digit to the next byte", kLong, 0, {2, 11}, kKeyRight, 0, {2, 13}},
        {"right: across the group gap", kLong, 0, {2, 32}, kKeyRight, 0, {2, 35}},
        {"right: character cell", kLong, 0, {2, 60}, kKeyRight, 0, {2, 61}},
        {"right: last digit to the next row", kLong, 0, {2, 57}, kKeyRight, 0, {3, 10}},
        {"right: last cell to the next row", kLong, 0, {2, 75}, kKeyRight, 0, {3, 60}},
        {"right: row P-1 end scrolls", kLong, 0, {10, 57}, kKeyRight, 1, {10, 10}},
        {"right: row P end scrolls", kLong, 0, {11, 75}, kKeyRight, 1, {11, 60}},
        {"right: onto the last byte", kLong, 89, {10, 23}, kKeyRight, 89, {10, 25}},
        {"right: last byte's low digit stays", kLong, 89, {10, 26}, kKeyRight, 89, {10, 26}},
        {"right: last byte's cell stays", kLong, 89, {10, 65}, kKeyRight, 89, {10, 65}},
        {"right: row end without a next line", 32, 0, {1, 57}, kKeyRight, 0, {1, 57}},

        {"down within the view", kLong, 0, {2, 14}, kKeyDown, 0, {3, 14}},
        {"down over a missing byte", kLong, 89, {9, 38}, kKeyDown, 89, {9, 38}},
        {"down onto an existing byte of the last line", kLong, 89, {9, 25}, kKeyDown, 89, {10, 25}},
        {"down on row P-1 scrolls", kLong, 0, {10, 14}, kKeyDown, 1, {10, 14}},
        {"down on row P scrolls", kLong, 0, {11, 14}, kKeyDown, 1, {11, 14}},
        {"down at the bottom at the end", kLong, 89, {10, 14}, kKeyDown, 89, {10, 14}},
        {"page down", kLong, 0, {4, 38}, kKeyPageDown, 11, {4, 38}},
        {"page down at the end", kLong, 89, {4, 38}, kKeyPageDown, 89, {4, 38}},
        {"page down normalises the caret", kLong, 80, {11, 70}, kKeyPageDown, 88, {11, 65}},

        // From places that are not data positions, the caret first goes where
        // a click there would put it.
        {"right from the offset column", kLong, 0, {2, 3}, kKeyRight, 0, {2, 11}},
        {"left from the group gap", kLong, 0, {2, 34}, kKeyLeft, 0, {2, 32}},
        {"down from a space between bytes", kLong, 0, {2, 15}, kKeyDown, 0, {3, 14}},
        {"up from the final space", kLong, 0, {2, 76}, kKeyUp, 0, {1, 60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = Pattern(c.length);
        Fill(send, bytes);
        ScrollTo(send, c.from);
        ASSERT_EQ(send.GetTopLine(), c.from);
        PutCaret(send, c.before.row, c.before.column);
        c.input.give(send);
        EXPECT_EQ(send.GetTopLine(), c.top);
        EXPECT_EQ(CaretOf(send), c.after);
        EXPECT_EQ(Contents(send), bytes);
        EXPECT_EQ(send.GetText(), ExpectedView(send));
    }
}

TEST_F(HexPaneTest, TypingHexDigitsRunsFromNibbleToNibble) {
    Bytes bytes = Pattern(36);
    bytes[0] = 0x3f;
    Fill(send, bytes);
    PutCaret(send, 0, 10);

    Char(send, 'A');
    EXPECT_EQ(send.m_data.At(0), 0xAF);
    EXPECT_EQ(Row(send, 0).substr(10, 2), "af");
    EXPECT_EQ(Row(send, 0)[60], '.');
    EXPECT_EQ(CaretOf(send), (Caret{0, 11}));

    Char(send, '0');
    EXPECT_EQ(send.m_data.At(0), 0xA0);
    EXPECT_EQ(Row(send, 0).substr(10, 2), "a0");
    EXPECT_EQ(CaretOf(send), (Caret{0, 13}));

    // Through the keyboard: the rest of the line, digit by digit, across
    // the group gap and on to the next row.
    SimulateTyping(&send, "0102030405060708090A0B0C0D0E0F10");
    for (int k = 1; k < 17; ++k) EXPECT_EQ(send.m_data.At(k), k) << k;
    EXPECT_EQ(Row(send, 0).substr(10, 48), "a0 01 02 03 04 05 06 07  08 09 0a 0b 0c 0d 0e 0f");
    EXPECT_EQ(CaretOf(send), (Caret{1, 13}));
    EXPECT_EQ(send.GetText(), ExpectedView(send));
}

TEST_F(HexPaneTest, TypingOnTheLastByteKeepsOverwritingItsNibble) {
    // The start-up bytes: "Z" (0x5a) is the last, on row 2.
    PutCaret(send, 2, 20);
    Char(send, '1');
    EXPECT_EQ(send.m_data.At(35), 0x51);
    EXPECT_EQ(CaretOf(send), (Caret{2, 20}));
    Char(send, '2');
    EXPECT_EQ(send.m_data.At(35), 0x52);
    EXPECT_EQ(CaretOf(send), (Caret{2, 20}));
    EXPECT_EQ(Row(send, 2).substr(19, 2), "52");
    EXPECT_EQ(Row(send, 2)[63], 'R');
    EXPECT_EQ(send.m_nLength, 36);
}

TEST_F(HexPaneTest, TypingInTheCharacterColumnStoresTheCode) {
    PutCaret(send, 0, 62);
    SimulateTyping(&send, "A");
    EXPECT_EQ(send.m_data.At(2), 0x41);
    EXPECT_EQ(Row(send, 0).substr(16, 2), "41");
    EXPECT_EQ(CaretOf(send), (Caret{0, 63}));

    // A code of 128 or more changes nothing, not even the caret.
    Char(send, 0xE9);
    SimulateTyping(&send, "é");
    EXPECT_EQ(send.m_data.At(3), '4');
    EXPECT_EQ(CaretOf(send), (Caret{0, 63}));

    // Control codes are stored like any other (Ctrl+A gives 0x01).
    SimulateKey(&send, 'A', "\x01", KeyModifiers{.ctrl = true});
    EXPECT_EQ(send.m_data.At(3), 0x01);
    EXPECT_EQ(Row(send, 0).substr(19, 2), "01");
    EXPECT_EQ(Row(send, 0)[63], '.');
    EXPECT_EQ(CaretOf(send), (Caret{0, 64}));
    EXPECT_EQ(send.GetText(), ExpectedView(send));
}

TEST_F(HexPaneTest, CharactersThatCannotApplyAreIgnored) {
    struct Case {
        const char* name;
        Caret at;
        UINT c;
    };
    const Case cases[] = {
        {"letter past f on a high digit", {0, 10}, 'g'},
        {"space on a low digit", {0, 11}, ' '},
        {"code 128 or more on a digit", {1, 35}, 0xC3},
        {"Ctrl+C on a digit", {1, 36}, 0x03},
        {"Enter on a digit", {0, 10}, '\r'},
        {"Enter in the character column", {0, 60}, '\r'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutCaret(send, c.at.row, c.at.column);
        Char(send, c.c);
        EXPECT_EQ(CaretOf(send), c.at);
        EXPECT_EQ(Contents(send), Bytes(kInitial.begin(), kInitial.end()));
    }
}

TEST_F(HexPaneTest, TabTogglesBetweenTheTwoCellsOfAByte) {
    PutCaret(send, 1, 69);  // character cell of byte 9
    SimulateKey(&send, VK_TAB, "\t");
    EXPECT_EQ(CaretOf(send), (Caret{1, 38}));
    SimulateKey(&send, VK_TAB, "\t");
    EXPECT_EQ(CaretOf(send), (Caret{1, 69}));
    // From the low digit too, and from byte 0 of the second group.
    PutCaret(send, 0, 36);
    Char(send, '\t');
    EXPECT_EQ(CaretOf(send), (Caret{0, 68}));
    EXPECT_EQ(CWnd::GetFocus(), &send);
    EXPECT_EQ(Contents(send), Bytes(kInitial.begin(), kInitial.end()));

    // Ctrl+Tab still leaves the pane.
    SimulateKey(&send, VK_TAB, "", KeyModifiers{.ctrl = true});
    EXPECT_NE(CWnd::GetFocus(), &send);
}

TEST_F(HexPaneTest, KeysWithoutAMeaningChangeNothing) {
    struct Case {
        const char* name;
        UINT vk;
        const char* text;
        KeyModifiers modifiers;
        KeyOrigin origin;
    };
    const Case cases[] = {
        {"Home", VK_HOME, "", {}, KeyOrigin::Dedicated},
        {"End", VK_END, "", {}, KeyOrigin::Dedicated},
        {"Delete", VK_DELETE, "", {}, KeyOrigin::Dedicated},
        {"Insert", VK_INSERT, "", {}, KeyOrigin::Dedicated},
        {"keypad Left", VK_LEFT, "", {}, KeyOrigin::Keypad},
        {"keypad Right", VK_RIGHT, "", {}, KeyOrigin::Keypad},
        {"keypad Up", VK_UP, "", {}, KeyOrigin::Keypad},
        {"keypad Down", VK_DOWN, "", {}, KeyOrigin::Keypad},
        {"keypad Page Up", VK_PRIOR, "", {}, KeyOrigin::Keypad},
        {"keypad Page Down", VK_NEXT, "", {}, KeyOrigin::Keypad},
        {"Ctrl+C", 'C', "\x03", {.ctrl = true}, KeyOrigin::Dedicated},
        {"Ctrl+V", 'V', "\x16", {.ctrl = true}, KeyOrigin::Dedicated},
        {"Escape", VK_ESCAPE, "\x1b", {}, KeyOrigin::Dedicated},
    };
    const Bytes bytes = Pattern(kLong);
    Fill(send, bytes);
    send.ScrollBarRequest(SB_THUMBPOSITION, 40);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutCaret(send, 5, 23);
        SimulateKey(&send, c.vk, c.text, c.modifiers, c.origin);
        EXPECT_EQ(CaretOf(send), (Caret{5, 23}));
        EXPECT_EQ(send.GetTopLine(), 40);
        EXPECT_EQ(Contents(send), bytes);
    }
    // The dedicated keys themselves do arrive.
    SimulateKey(&send, VK_RIGHT);
    SimulateKey(&send, VK_DOWN);
    EXPECT_EQ(CaretOf(send), (Caret{6, 25}));
    SimulateKey(&send, VK_NEXT);
    EXPECT_EQ(send.GetTopLine(), 51);
}

TEST_F(HexPaneTest, AltAndSuperKeysAreShortcutsNotTyping) {
    struct Case {
        const char* name;
        Caret at;
        UINT vk;
        const char* text;
        KeyModifiers modifiers;
    };
    const Case cases[] = {
        {"Alt+c on a hex digit", {0, 10}, 'C', "c", {.alt = true}},
        {"Alt+7 on a hex digit", {0, 11}, '7', "7", {.alt = true}},
        {"Alt+Shift+A in the character column", {0, 62}, 'A', "A", {.shift = true, .alt = true}},
        {"Super+a on a hex digit", {1, 13}, 'A', "a", {.super = true}},
        {"Super+x in the character column", {1, 61}, 'X', "x", {.super = true}},
        {"Alt+Right", {0, 10}, VK_RIGHT, "", {.alt = true}},
        {"Alt+Backspace", {0, 13}, VK_BACK, "\b", {.alt = true}},
        {"Alt+Tab", {0, 13}, VK_TAB, "\t", {.alt = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutCaret(send, c.at.row, c.at.column);
        SimulateKey(&send, c.vk, c.text, c.modifiers);
        EXPECT_EQ(CaretOf(send), c.at);
        EXPECT_EQ(Contents(send), Bytes(kInitial.begin(), kInitial.end()));
    }
    // An input method's text does not reach a pane, as before.
    PutCaret(send, 0, 60);
    SimulateInputMethod(&send, "", "x\xED\x95\x9C");
    EXPECT_EQ(Contents(send), Bytes(kInitial.begin(), kInitial.end()));
    // AltGr is the layout's third level, and it types.
    PutCaret(send, 0, 60);
    SimulateKey(&send, 'Q', "@", KeyModifiers{.altGr = true});
    EXPECT_EQ(send.m_data.At(0), '@');
    EXPECT_EQ(CaretOf(send), (Caret{0, 61}));
}

TEST_F(HexPaneTest, EmptyPaneIgnoresAllInput) {
    SimulateTyping(&recv, "0aZ\t\b\r");
    for (const CursorKeyCode& key : {kUp, kPageUp, kLeft, kRight, kDown, kPageDown}) {
        Press(recv, key);
    }
    ClickCell(recv, 3, 40);
    EXPECT_EQ(recv.m_nLength, 0);
    EXPECT_EQ(recv.GetText(), "");
    EXPECT_EQ(Selection(recv), 0);
}

// Where a click on each column of a line puts the caret.
int SnappedColumn(int column) {
    if (column <= 9) return 10;  // offset and "| ": high digit of byte 0
    if (column == 33) return 31;
    if (column == 34) return 35;
    if (column == 58) return 56;
    if (column == 59 || column == 76) return 60;
    for (int k = 0; k <= 6; ++k) {
        if (column == 12 + 3 * k) return 11 + 3 * k;
    }
    for (int k = 8; k <= 14; ++k) {
        if (column == 13 + 3 * k) return 12 + 3 * k;
    }
    return column;  // a digit or a character cell
}

TEST_F(HexPaneTest, ClickOnAFullLineSnapsEveryColumnOntoADataPosition) {
    for (int column = 0; column < 77; ++column) {
        SCOPED_TRACE(column);
        ClickCell(send, 1, column);
        EXPECT_EQ(CaretOf(send), (Caret{1, SnappedColumn(column)}));
    }
}

TEST_F(HexPaneTest, ClickPastTheLastByteGoesToTheLastByteOfTheLine) {
    // Row 2 holds four bytes: digits at 10-11, 13-14, 16-17, 19-20.
    struct Case {
        const char* name;
        Caret click;
        Caret caret;
    };
    const Case cases[] = {
        {"space after the last byte", {2, 21}, {2, 20}},
        {"first missing digit", {2, 22}, {2, 19}},
        {"second group digit", {2, 40}, {2, 19}},
        {"space after byte 7 (missing)", {2, 33}, {2, 10}},
        {"group gap before missing byte 8", {2, 34}, {2, 10}},
        {"space after byte 15 (missing)", {2, 58}, {2, 10}},
        {"missing character cell", {2, 70}, {2, 63}},
        {"final space", {2, 76}, {2, 60}},
        {"offset", {2, 4}, {2, 10}},
        // The control puts the caret at the end of the text (row 3, column 0).
        {"below the text", {6, 40}, {2, 10}},
        {"below the text under a cell", {7, 61}, {2, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClickCell(send, c.click.row, c.click.column);
        EXPECT_EQ(CaretOf(send), c.caret);
        long start = 0;
        long end = 0;
        send.GetSel(start, end);
        EXPECT_EQ(start, end);
    }
}

TEST_F(HexPaneTest, ClickRightOfARowsText) {
    // The right half of a row's last cell: the control puts the caret on
    // row 0's final space (column 76), on the last row at the end of the
    // text (row 3, column 0).
    const int cell = send.PosFromChar(1).x - send.PosFromChar(0).x;
    const CPoint row0 = send.PosFromChar(kRow - 1);
    const CPoint row2 = send.PosFromChar(3 * kRow - 1);
    SimulateClick(&send, CPoint{row0.x + cell - 1, row0.y + 2});
    EXPECT_EQ(CaretOf(send), (Caret{0, 60}));
    SimulateClick(&send, CPoint{row2.x + cell - 1, row2.y + 2});
    EXPECT_EQ(CaretOf(send), (Caret{2, 10}));
}

TEST_F(HexPaneTest, ReachedWithTheKeyboardTypingStartsOnTheFirstByte) {
    // Ctrl+Tab from the receive pane selects the send pane's whole text, the
    // selection starting on the first offset; a digit edits byte 0.
    SimulateKey(&recv, VK_TAB, "", KeyModifiers{.ctrl = true});
    ASSERT_EQ(CWnd::GetFocus(), &send);
    long start = 0;
    long end = 0;
    send.GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, send.GetTextLength());
    SimulateTyping(&send, "f");
    EXPECT_EQ(send.m_data.At(0), 0xF1);
    EXPECT_EQ(CaretOf(send), (Caret{0, 11}));
}

TEST_F(HexPaneTest, TypingAfterTheOwnerReplacedTheViewEditsTheLastRowsFirstByte) {
    // The caret after the text stands where a click right of the last row
    // would: the high digit of that row's first byte.
    ASSERT_EQ(Selection(send), send.GetTextLength());
    SimulateTyping(&send, "0");
    EXPECT_EQ(send.m_data.At(32), 0x07);
    EXPECT_EQ(CaretOf(send), (Caret{2, 11}));
    // A character that cannot apply leaves the caret where the owner put it.
    Fill(send, Bytes(kInitial.begin(), kInitial.end()));
    SimulateTyping(&send, "z");
    EXPECT_EQ(Selection(send), send.GetTextLength());
    EXPECT_EQ(Contents(send), Bytes(kInitial.begin(), kInitial.end()));
}

}  // namespace
