// Random input on panes of random lengths: whatever the user does, the
// buffer keeps its length, only a typed character changes a byte, and only
// the byte the caret stood on.

#include <gtest/gtest.h>

#include <random>

#include "panes/HexPaneSupport.h"

namespace {

using namespace hexpane;

// The byte under a caret that stands on a data position (a digit or a
// character cell of a byte that exists, on a row the view shows), else -1.
std::int64_t ByteUnderCaret(const CHexView& pane) {
    long start = 0;
    long end = 0;
    pane.GetSel(start, end);
    if (start != end) return -1;
    const long row = start / kRow;
    const int column = static_cast<int>(start % kRow);
    if (row >= pane.GetTextLength() / kRow) return -1;
    const hexline::Kind kind = hexline::ColumnKind(column);
    if (hexline::IsHexGroup(kind)) {
        const int base = column < 35 ? 10 : 35;
        if ((column - base) % 3 == 2) return -1;  // the space after a byte
    } else if (kind != hexline::Kind::Text) {
        return -1;
    }
    const std::int64_t index = (pane.GetTopLine() + row) * 16 + hexline::ByteOfColumn(column);
    return index < pane.m_nLength ? index : -1;
}

TEST_F(HexPaneTest, RandomInputNeverTouchesABytePastTheCaret) {
    std::mt19937 random(20240611);
    const auto pick = [&random](int bound) {
        return std::uniform_int_distribution<int>(0, bound - 1)(random);
    };
    const CursorKeyCode keys[] = {kUp, kPageUp, kLeft, kRight, kDown, kPageDown};
    // Keys that produce no character (Escape and Enter do: they are typing).
    const UINT silentKeys[] = {VK_HOME, VK_END, VK_DELETE, VK_INSERT, VK_UP, VK_NEXT};
    const char typed[] = "0123456789abcdefABCDEFgxz ~\t\b\r\x1b";
    const int cell = send.PosFromChar(1).x - send.PosFromChar(0).x;
    const int rowHeight = send.PosFromChar(kRow).y - send.PosFromChar(0).y;
    int edits = 0;
    for (int round = 0; round < 12; ++round) {
        const std::int64_t lengths[] = {1, 15, 16, 17, 36, 191, 192, 193};
        const std::int64_t length = round < 8 ? lengths[round] : 1 + pick(4000);
        SCOPED_TRACE(length);
        Fill(send, Pattern(length, round));
        ClickCell(send, 0, 10);
        for (int step = 0; step < 400; ++step) {
            SCOPED_TRACE(step);
            const Bytes before = Contents(send);
            const std::int64_t caret = ByteUnderCaret(send);
            ASSERT_GE(caret, 0);
            bool typing = false;
            switch (pick(8)) {
            case 0:
            case 1:
                Press(send, keys[pick(6)]);
                break;
            case 2:
                SimulateKey(&send, silentKeys[pick(6)], "", {},
                            pick(2) ? KeyOrigin::Keypad : KeyOrigin::Dedicated);
                break;
            case 3:
            case 4:
                SimulateTyping(&send, std::string(1, typed[pick(sizeof typed - 1)]));
                typing = true;
                break;
            case 5:
                Char(send, static_cast<UINT>(pick(256)));
                typing = true;
                break;
            case 6:
                SimulateClick(&send, CPoint{pick(90 * cell), pick(14 * rowHeight)});
                break;
            default:
                send.ScrollBarRequest(static_cast<UINT>(pick(9)), pick(400));
                break;
            }
            const Bytes after = Contents(send);
            ASSERT_EQ(after.size(), before.size());
            for (std::size_t i = 0; i < after.size(); ++i) {
                if (after[i] == before[i]) continue;
                ASSERT_TRUE(typing) << "byte " << i << " changed without typing";
                ASSERT_EQ(static_cast<std::int64_t>(i), caret) << "byte " << i << " changed";
                ++edits;
            }
            if (step % 25 == 0) {
                ASSERT_EQ(send.GetText(), ExpectedView(send));
            }
        }
        EXPECT_EQ(send.GetText(), ExpectedView(send));
    }
    // The input did edit: the test would prove nothing otherwise.
    EXPECT_GT(edits, 300);
}

}  // namespace
