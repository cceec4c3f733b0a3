// The hex pane's caret rules without a window: the cursor keys, Backspace
// and Tab, where a click snaps to, what a typed character edits, and where
// the caret goes when the view scrolls.

#include "panes/HexCaret.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

namespace {

// A page of 11 lines, as the main window's panes have: the view shows 12.
constexpr std::int64_t kPage = 11;
// 100 lines, the last with 6 bytes: the top line runs from 0 to 89.
constexpr std::int64_t kLong = 99 * 16 + 6;

struct Cell {
    long row;
    int column;
    bool operator==(const Cell&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Cell& cell) {
    return out << "(row " << cell.row << ", column " << cell.column << ")";
}

long At(Cell cell) {
    return HexLayout::PositionOf(cell.row, cell.column);
}

Cell CellOf(long position) {
    return {position / HexLayout::kRowChars, static_cast<int>(position % HexLayout::kRowChars)};
}

HexCaret CaretAt(std::int64_t length, std::int64_t top, Cell cell) {
    return HexCaret(HexLayout(length, top, kPage), At(cell), kPage);
}

struct Input {
    const char* name;
    std::function<void(HexCaret&)> give;
};

const Input kUp{"Up", [](HexCaret& c) { c.Press(HexKey::Up); }};
const Input kPageUp{"PageUp", [](HexCaret& c) { c.Press(HexKey::PageUp); }};
const Input kLeft{"Left", [](HexCaret& c) { c.Press(HexKey::Left); }};
const Input kRight{"Right", [](HexCaret& c) { c.Press(HexKey::Right); }};
const Input kDown{"Down", [](HexCaret& c) { c.Press(HexKey::Down); }};
const Input kPageDown{"PageDown", [](HexCaret& c) { c.Press(HexKey::PageDown); }};
const Input kBackspace{"Backspace",
                       [](HexCaret& c) { EXPECT_FALSE(c.Type(HexCaret::kBackspace)); }};
const Input kTab{"Tab", [](HexCaret& c) { EXPECT_FALSE(c.Type(HexCaret::kTab)); }};

TEST(HexCaretKeys, CursorKeysBackspaceAndTabStepOverTheDataPositions) {
    struct Case {
        const char* name;
        std::int64_t length;
        std::int64_t top;  // before
        Cell before;
        const Input& input;
        std::int64_t topAfter;
        Cell after;
    };
    // clang-format off
    const Case cases[] = {
        {"up within the view", kLong, 0, {3, 14}, kUp, 0, {2, 14}},
        {"up on the first row scrolls", kLong, 10, {0, 14}, kUp, 9, {0, 14}},
        {"up on the first row at the top", kLong, 0, {0, 14}, kUp, 0, {0, 14}},
        {"page up", kLong, 50, {4, 38}, kPageUp, 39, {4, 38}},
        {"page up near the top", kLong, 5, {4, 38}, kPageUp, 0, {4, 38}},
        {"page up at the top", kLong, 0, {4, 38}, kPageUp, 0, {4, 38}},

        {"left: low digit to high digit", kLong, 0, {2, 14}, kLeft, 0, {2, 13}},
        {"left: high digit to the byte before", kLong, 0, {2, 13}, kLeft, 0, {2, 11}},
        {"left: across the group gap", kLong, 0, {2, 35}, kLeft, 0, {2, 32}},
        {"left: character cell", kLong, 0, {2, 61}, kLeft, 0, {2, 60}},
        {"left: first digit to the row above", kLong, 0, {2, 10}, kLeft, 0, {1, 57}},
        {"left: first cell to the row above", kLong, 0, {2, 60}, kLeft, 0, {1, 75}},
        {"left: first row scrolls (hex)", kLong, 10, {0, 10}, kLeft, 9, {0, 57}},
        {"left: first row scrolls (text)", kLong, 10, {0, 60}, kLeft, 9, {0, 75}},
        {"left: start of the buffer", kLong, 0, {0, 10}, kLeft, 0, {0, 10}},
        {"backspace: low digit", kLong, 0, {1, 42}, kBackspace, 0, {1, 41}},
        {"backspace: to the row above", kLong, 0, {2, 10}, kBackspace, 0, {1, 57}},
        {"backspace: across the top of the view", kLong, 10, {0, 10}, kBackspace, 9, {0, 57}},
        {"backspace: start of the buffer", kLong, 0, {0, 60}, kBackspace, 0, {0, 60}},

        {"right: high digit to low digit", kLong, 0, {2, 10}, kRight, 0, {2, 11}},
        {"right: low digit to the next byte", kLong, 0, {2, 11}, kRight, 0, {2, 13}},
        {"right: across the group gap", kLong, 0, {2, 32}, kRight, 0, {2, 35}},
        {"right: character cell", kLong, 0, {2, 60}, kRight, 0, {2, 61}},
        {"right: last digit to the next row", kLong, 0, {2, 57}, kRight, 0, {3, 10}},
        {"right: last cell to the next row", kLong, 0, {2, 75}, kRight, 0, {3, 60}},
        {"right: row P-1 end scrolls", kLong, 0, {10, 57}, kRight, 1, {10, 10}},
        {"right: row P end scrolls", kLong, 0, {11, 75}, kRight, 1, {11, 60}},
        {"right: onto the last byte", kLong, 89, {10, 23}, kRight, 89, {10, 25}},
        {"right: last byte's low digit stays", kLong, 89, {10, 26}, kRight, 89, {10, 26}},
        {"right: last byte's cell stays", kLong, 89, {10, 65}, kRight, 89, {10, 65}},
        {"right: row end without a next line", 32, 0, {1, 57}, kRight, 0, {1, 57}},

        {"down within the view", kLong, 0, {2, 14}, kDown, 0, {3, 14}},
        {"down over a missing byte", kLong, 89, {9, 38}, kDown, 89, {9, 38}},
        {"down onto an existing byte of the last line", kLong, 89, {9, 25}, kDown, 89, {10, 25}},
        {"down on row P-1 scrolls", kLong, 0, {10, 14}, kDown, 1, {10, 14}},
        {"down on row P scrolls", kLong, 0, {11, 14}, kDown, 1, {11, 14}},
        {"down at the bottom at the end", kLong, 89, {10, 14}, kDown, 89, {10, 14}},
        {"page down", kLong, 0, {4, 38}, kPageDown, 11, {4, 38}},
        {"page down near the end", kLong, 85, {4, 38}, kPageDown, 88, {4, 38}},
        {"page down at the end", kLong, 89, {4, 38}, kPageDown, 89, {4, 38}},
        {"page down normalises the caret", kLong, 80, {11, 70}, kPageDown, 88, {11, 65}},
        {"page down with every line fitting", 36, 0, {1, 39}, kPageDown, 0, {1, 39}},

        {"tab: cell to high digit", 36, 0, {1, 69}, kTab, 0, {1, 38}},
        {"tab: high digit to cell", 36, 0, {1, 38}, kTab, 0, {1, 69}},
        {"tab: low digit to cell", 36, 0, {0, 36}, kTab, 0, {0, 68}},

        // From places that are not data positions, the caret first goes where
        // a click there would put it.
        {"right from the offset column", kLong, 0, {2, 3}, kRight, 0, {2, 11}},
        {"left from the group gap", kLong, 0, {2, 34}, kLeft, 0, {2, 32}},
        {"down from a space between bytes", kLong, 0, {2, 15}, kDown, 0, {3, 14}},
        {"up from the final space", kLong, 0, {2, 76}, kUp, 0, {1, 60}},
        {"tab from the bar before the cells", 36, 0, {1, 59}, kTab, 0, {1, 10}},
        {"backspace from the end of the text", 36, 0, {3, 0}, kBackspace, 0, {1, 57}},

        // Buffers of one line or just over.
        {"one byte: right stays", 1, 0, {0, 11}, kRight, 0, {0, 11}},
        {"one byte: down stays", 1, 0, {0, 10}, kDown, 0, {0, 10}},
        {"one byte: page down stays", 1, 0, {0, 60}, kPageDown, 0, {0, 60}},
        {"16 bytes: right at the row end stays", 16, 0, {0, 57}, kRight, 0, {0, 57}},
        {"17 bytes: right at the row end", 17, 0, {0, 57}, kRight, 0, {1, 10}},
        {"17 bytes: down onto the only byte", 17, 0, {0, 11}, kDown, 0, {1, 11}},
        {"17 bytes: down past the only byte", 17, 0, {0, 13}, kDown, 0, {0, 13}},
        {"17 bytes: left from the second line", 17, 0, {1, 60}, kLeft, 0, {0, 75}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HexCaret caret = CaretAt(c.length, c.top, c.before);
        c.input.give(caret);
        EXPECT_EQ(caret.Layout().TopLine(), c.topAfter);
        EXPECT_EQ(caret.Scrolled(), c.topAfter != c.top);
        EXPECT_EQ(CellOf(caret.Position()), c.after);
        EXPECT_TRUE(caret.Layout().IsDataPosition(caret.Position()));
    }
}

TEST(HexCaretKeys, ACaretThatDoesNotMoveKeepsItsSelection) {
    // Placed() tells the pane to put the caret, collapsing a selection that
    // starts there; a step that goes nowhere does not.
    struct Case {
        const char* name;
        std::int64_t length;
        Cell at;
        const Input& input;
        bool placed;
    };
    // clang-format off
    const Case cases[] = {
        {"right on the last byte's low digit", 36, {2, 20}, kRight, false},
        {"down over a missing byte", 36, {1, 39}, kDown, false},
        {"left at the start of the buffer", 36, {0, 10}, kLeft, false},
        {"page down with every line fitting", 36, {0, 10}, kPageDown, false},
        {"up on the first row at the top: the caret back on its place", 36, {0, 10}, kUp, true},
        {"page up at the top: the caret back on its place", 36, {0, 10}, kPageUp, true},
        {"right from the offset: first onto byte 0", 36, {0, 0}, kRight, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        HexCaret caret = CaretAt(c.length, 0, c.at);
        c.input.give(caret);
        EXPECT_EQ(caret.Placed(), c.placed) << c.name;
    }
}

TEST(HexCaretKeys, EmptyBufferIgnoresEveryKeyAndCharacter) {
    for (const HexKey key : {HexKey::Up, HexKey::PageUp, HexKey::Left, HexKey::Right, HexKey::Down,
                             HexKey::PageDown}) {
        HexCaret caret(HexLayout(0, 0, kPage), 0, kPage);
        caret.Press(key);
        EXPECT_FALSE(caret.Placed());
        EXPECT_FALSE(caret.ScrollRequested());
    }
    for (const unsigned c : {'0', 'a', 'Z', '\t', '\b', '\r'}) {
        HexCaret caret(HexLayout(0, 0, kPage), 0, kPage);
        EXPECT_FALSE(caret.Type(c)) << c;
        EXPECT_FALSE(caret.Placed()) << c;
    }
}

// Where a click on each kind of column of a full line snaps to.
TEST(HexCaretSnap, ClicksOnAFullLine) {
    struct Case {
        const char* name;
        int first;
        int last;
        int snapped;  // -1: one column to the left; -2: unchanged
    };
    // clang-format off
    const Case cases[] = {
        {"offset", 0, 7, 10},
        {"bar before byte 0", 8, 9, 10},
        {"digits of the first group", 10, 11, -2},
        {"space after byte 0", 12, 12, -1},
        {"space after byte 6", 30, 30, -1},
        {"byte 7", 31, 32, -2},
        {"space after byte 7", 33, 33, 31},
        {"group gap", 34, 34, 35},
        {"byte 8", 35, 36, -2},
        {"space after byte 8", 37, 37, -1},
        {"space after byte 14", 55, 55, -1},
        {"byte 15", 56, 57, -2},
        {"space after byte 15", 58, 58, 56},
        {"bar before the cells", 59, 59, 60},
        {"character cells", 60, 75, -2},
        {"final space", 76, 76, 60},
    };
    // clang-format on
    const HexCaret caret(HexLayout(kLong, 0, kPage), 0, kPage);
    for (const Case& c : cases) {
        for (int column = c.first; column <= c.last; ++column) {
            const int expected = c.snapped == -1   ? column - 1
                                 : c.snapped == -2 ? column
                                                   : c.snapped;
            EXPECT_EQ(CellOf(caret.Snapped(At({4, column}))), (Cell{4, expected}))
                << c.name << ", column " << column;
        }
    }
    // Whatever the column, the caret lands on a data position of its row.
    for (int column = 0; column < HexLayout::kRowChars; ++column) {
        const long p = caret.Snapped(At({4, column}));
        EXPECT_EQ(CellOf(p).row, 4);
        EXPECT_TRUE(caret.Layout().IsDataPosition(p)) << column;
    }
}

TEST(HexCaretSnap, ClicksWhereNoByteIs) {
    struct Case {
        const char* name;
        std::int64_t length;
        std::int64_t top;
        Cell click;
        Cell caret;
    };
    // clang-format off
    const Case cases[] = {
        // 36 bytes: row 2 holds four, digits at 10-11, 13-14, 16-17, 19-20.
        {"space after the last byte", 36, 0, {2, 21}, {2, 20}},
        {"first missing digit", 36, 0, {2, 22}, {2, 19}},
        {"second group digit", 36, 0, {2, 40}, {2, 19}},
        {"space after byte 7 (missing)", 36, 0, {2, 33}, {2, 10}},
        {"group gap before missing byte 8", 36, 0, {2, 34}, {2, 10}},
        {"space after byte 15 (missing)", 36, 0, {2, 58}, {2, 10}},
        {"missing character cell", 36, 0, {2, 70}, {2, 63}},
        {"final space", 36, 0, {2, 76}, {2, 60}},
        {"offset", 36, 0, {2, 4}, {2, 10}},
        {"the end of the text", 36, 0, {3, 0}, {2, 10}},
        {"past the end of the text: as at its end", 36, 0, {7, 61}, {2, 10}},
        {"one byte: a digit of byte 5", 1, 0, {0, 26}, {0, 10}},
        {"one byte: a cell", 1, 0, {0, 70}, {0, 60}},
        {"17 bytes: second line's group gap", 17, 0, {1, 34}, {1, 10}},
        {"17 bytes: second line's cell 3", 17, 0, {1, 63}, {1, 60}},
        {"scrolled to the bottom: a missing byte of the last line", kLong, 99, {0, 40}, {0, 25}},
        {"empty buffer", 0, 0, {3, 40}, {0, 0}},
    };
    // clang-format on
    for (const Case& c : cases) {
        HexCaret caret = CaretAt(c.length, c.top, c.click);
        caret.Click();
        EXPECT_TRUE(caret.Placed());
        EXPECT_EQ(CellOf(caret.Position()), c.caret) << c.name;
    }
}

TEST(HexCaretTyping, WhatACharacterEditsAndWhereTheCaretGoesOn) {
    struct Case {
        const char* name;
        std::int64_t length;
        Cell at;
        unsigned character;
        std::uint8_t old;
        // Expected: the byte edited (-1 for none), its new value, the caret.
        std::int64_t index;
        std::uint8_t value;
        Cell after;
    };
    // clang-format off
    const Case cases[] = {
        {"high digit", 36, {0, 10}, 'A', 0x3f, 0, 0xAF, {0, 11}},
        {"low digit", 36, {0, 11}, '0', 0xAF, 0, 0xA0, {0, 13}},
        {"lower-case digit", 36, {1, 35}, 'c', 0x12, 24, 0xC2, {1, 36}},
        {"low digit across the group gap", 36, {0, 32}, '5', 0x12, 7, 0x15, {0, 35}},
        {"low digit at the row end", 36, {0, 57}, '9', 0x12, 15, 0x19, {1, 10}},
        {"last byte's low digit stays", 36, {2, 20}, '1', 0x5a, 35, 0x51, {2, 20}},
        {"character cell", 36, {0, 62}, 'A', 0x33, 2, 0x41, {0, 63}},
        {"control code in a cell", 36, {0, 63}, 0x01, 0x34, 3, 0x01, {0, 64}},
        {"code 127 in a cell", 36, {0, 63}, 0x7F, 0x34, 3, 0x7F, {0, 64}},
        {"last cell stays", 36, {2, 63}, 'z', 0x5a, 35, 'z', {2, 63}},
        {"a digit from the offset edits byte 0", 36, {0, 3}, 'f', 0x31, 0, 0xF1, {0, 11}},
        {"from the end of the text: last row's byte 0", 36, {3, 0}, '0', 0x57, 32, 0x07, {2, 11}},
        {"one byte: low digit stays", 1, {0, 11}, '7', 0x00, 0, 0x07, {0, 11}},

        {"letter past f on a digit", 36, {0, 10}, 'g', 0, -1, 0, {0, 10}},
        {"space on a digit", 36, {0, 11}, ' ', 0, -1, 0, {0, 11}},
        {"code 128 or more on a digit", 36, {1, 35}, 0xC3, 0, -1, 0, {1, 35}},
        {"code 128 or more in a cell", 36, {1, 61}, 0xE9, 0, -1, 0, {1, 61}},
        {"a character code past a byte in a cell", 36, {1, 61}, 0x141, 0, -1, 0, {1, 61}},
        {"Enter", 36, {0, 60}, '\r', 0, -1, 0, {0, 60}},
        // A character that cannot apply leaves a caret off the data alone.
        {"a letter past f from the offset", 36, {0, 3}, 'z', 0, -1, 0, {0, 3}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HexCaret caret = CaretAt(c.length, 0, c.at);
        const std::optional<HexEdit> edit = caret.Type(c.character);
        ASSERT_EQ(edit.has_value(), c.index >= 0);
        if (edit) {
            EXPECT_EQ(edit->index, c.index);
            EXPECT_EQ(edit->viewIndex, c.index);
            EXPECT_EQ(static_cast<int>(edit->Applied(c.old)), static_cast<int>(c.value));
            // The caret only moves once the byte is stored.
            EXPECT_EQ(CellOf(caret.Position()), c.at);
            caret.Advance(*edit);
        }
        EXPECT_EQ(CellOf(caret.Position()), c.after);
    }
}

TEST(HexCaretTyping, AnEditInAScrolledViewNamesTheBufferAndTheViewIndex) {
    // Top line 40, row 3: line 43. Typing at its last low digit runs on past
    // the view's bottom once it is there.
    HexCaret caret = CaretAt(kLong, 40, {3, 57});
    const std::optional<HexEdit> edit = caret.Type('e');
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->index, 43 * 16 + 15);
    EXPECT_EQ(edit->viewIndex, 3 * 16 + 15);
    EXPECT_EQ(HexLayout::DigitsPosition(edit->viewIndex), At({3, 56}));
    EXPECT_EQ(HexLayout::CharacterPosition(edit->viewIndex), At({3, 75}));

    HexCaret bottom = CaretAt(kLong, 40, {11, 57});
    const std::optional<HexEdit> last = bottom.Type('e');
    ASSERT_TRUE(last);
    bottom.Advance(*last);
    EXPECT_TRUE(bottom.Scrolled());
    EXPECT_EQ(bottom.Layout().TopLine(), 41);
    EXPECT_EQ(CellOf(bottom.Position()), (Cell{11, 10}));
}

TEST(HexCaretScroll, TheCaretKeepsItsRowAndColumnOverTheNewLines) {
    struct Case {
        const char* name;
        std::int64_t top;
        Cell before;
        HexScroll request;
        std::int64_t track;
        std::int64_t topAfter;
        Cell after;
    };
    // clang-format off
    const Case cases[] = {
        {"line down", 10, {5, 40}, HexScroll::LineDown, 0, 11, {5, 40}},
        {"thumb to the end: onto the last line's last byte", 0, {11, 70}, HexScroll::Thumb, 500, 88,
         {11, 65}},
        {"bottom: up onto the last line", 0, {6, 40}, HexScroll::Bottom, 0, 99, {0, 25}},
        {"bottom: a cell onto the last byte's cell", 0, {6, 75}, HexScroll::Bottom, 0, 99, {0, 65}},
        {"bottom: a column outside the data kept", 0, {6, 76}, HexScroll::Bottom, 0, 99, {0, 76}},
        {"top", 50, {3, 12}, HexScroll::Top, 0, 0, {3, 12}},
        {"the end of the text below the last row", 0, {12, 0}, HexScroll::PageDown, 0, 11, {11, 0}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HexCaret caret = CaretAt(kLong, c.top, c.before);
        caret.Scroll(c.request, c.track);
        EXPECT_TRUE(caret.ScrollRequested());
        EXPECT_TRUE(caret.Scrolled());
        EXPECT_TRUE(caret.Placed());
        EXPECT_EQ(caret.Layout().TopLine(), c.topAfter);
        EXPECT_EQ(CellOf(caret.Position()), c.after);
    }
    // A request that does not move the view touches nothing else.
    HexCaret still = CaretAt(kLong, 0, {4, 3});
    still.Scroll(HexScroll::LineUp);
    EXPECT_TRUE(still.ScrollRequested());
    EXPECT_FALSE(still.Scrolled());
    EXPECT_FALSE(still.Placed());
    EXPECT_EQ(CellOf(still.Position()), (Cell{4, 3}));
}

TEST(HexCaretScroll, AfterAScrollThePageIsTheWindowsAgain) {
    // The window shrank to five lines since the view was built: a line down
    // rebuilds with a page of five, and the caret on row 9 moves up to the
    // new last row.
    HexCaret caret(HexLayout(kLong, 10, kPage), At({9, 14}), 5);
    caret.Scroll(HexScroll::LineDown);
    EXPECT_EQ(caret.Layout().TopLine(), 11);
    EXPECT_EQ(caret.Layout().PageLines(), 5);
    EXPECT_EQ(CellOf(caret.Position()), (Cell{5, 14}));
}

}  // namespace
