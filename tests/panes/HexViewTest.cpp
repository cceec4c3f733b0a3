// The hex pane's view: the dump through the text control, the owner's
// operations, the lazily produced text, the scroll bar and scrolling.

#include <gtest/gtest.h>

#include <new>

#include "panes/HexPaneSupport.h"

namespace {

using namespace hexpane;

TEST_F(HexPaneTest, StartupSendPaneShowsTheExampleLines) {
    EXPECT_EQ(Row(send, 0),
              "00000000| 31 32 33 34 35 36 37 38  39 30 41 42 43 44 45 46 |1234567890ABCDEF ");
    EXPECT_EQ(Row(send, 1),
              "00000010| 47 48 49 4a 4b 4c 4d 4e  4f 50 51 52 53 54 55 56 |GHIJKLMNOPQRSTUV ");
    EXPECT_EQ(Row(send, 2),
              "00000020| 57 58 59 5a" + std::string(38, ' ') + "|WXYZ" + std::string(13, ' '));
    EXPECT_EQ(Row(send, 3), "");
    EXPECT_EQ(send.GetTextLength(), 3 * kRow);
    // The owner's operations leave the caret after the rendered text.
    EXPECT_EQ(Selection(send), 3 * kRow);
    EXPECT_EQ(send.GetLimitText(), 4194304);
    // The pane's outer height over the display context's 16-pixel font.
    EXPECT_EQ(send.GetPageLines(), 177 / 16);
    EXPECT_TRUE(send.IsScrollBarShown());
    EXPECT_FALSE(send.IsScrollBarEnabled());
}

TEST(HexPaneLayout, EveryRenderedRowFitsThePaneInBothFonts) {
    for (bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "korean" : "english");
        LanguageScope language(korean, korean ? LANG_ID_KOREAN : LANG_ID_ENGLISH_US);
        TestMainWindow w;
        CHexView& pane = w.RecvPane();
        const Bytes bytes = Pattern(100 * 16);
        pane.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
        const long rows = pane.GetTextLength() / kRow;
        EXPECT_EQ(rows, pane.GetPageLines() + 1);
        // The bottom of the last row stays inside the bottom border.
        const CPoint below = pane.PosFromChar(rows * kRow);
        EXPECT_LE(below.y, pane.GetOuterHeight() - 1);
    }
}

TEST_F(HexPaneTest, CharacterColumnShowsPrintableBytesAndDotsForTheRest) {
    const Bytes bytes = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF};
    Fill(send, bytes);
    EXPECT_EQ(Row(send, 0).substr(10, 21), "00 1f 20 7e 7f 80 ff ");
    EXPECT_EQ(Row(send, 0).substr(60, 17), ".. ~\x7f.." + std::string(10, ' '));
}

TEST_F(HexPaneTest, EmptyPaneHasNoTextAndADisabledScrollBar) {
    struct Case {
        const char* name;
        CHexView* pane;
    };
    send.ResizeData(0);
    for (const Case& c : {Case{"receive pane after start-up", &recv},
                          Case{"send pane resized to nothing", &send}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.pane->m_nLength, 0);
        EXPECT_EQ(c.pane->GetLineCount(), 0);
        EXPECT_EQ(c.pane->GetText(), "");
        EXPECT_EQ(Selection(*c.pane), 0);
        EXPECT_TRUE(c.pane->IsScrollBarShown());
        EXPECT_FALSE(c.pane->IsScrollBarEnabled());
        const SCROLLINFO info = ScrollInfo(*c.pane);
        EXPECT_EQ(info.nMax, -1);
        EXPECT_EQ(info.nPos, 0);
    }
}

TEST_F(HexPaneTest, SetDataCopiesTheBytesAndShowsTheFirstLine) {
    const Bytes bytes = Pattern(1000);
    Fill(send, bytes);
    send.ScrollBarRequest(SB_THUMBPOSITION, 30);
    ASSERT_EQ(send.GetTopLine(), 30);

    Bytes other = Pattern(700, 9);
    Fill(send, other);
    other[0] ^= 0xFF;  // the pane keeps its own copy
    EXPECT_EQ(Contents(send), Pattern(700, 9));
    EXPECT_EQ(send.m_nLength, 700);
    EXPECT_EQ(send.GetLineCount(), 44);
    EXPECT_EQ(send.GetTopLine(), 0);
    EXPECT_EQ(send.GetText(), ExpectedView(send));
    EXPECT_EQ(Selection(send), send.GetTextLength());
    const SCROLLINFO info = ScrollInfo(send);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 43);
    EXPECT_EQ(info.nPage, static_cast<UINT>(send.GetPageLines()));
    EXPECT_EQ(info.nPos, 0);
    EXPECT_TRUE(send.IsScrollBarEnabled());
}

TEST_F(HexPaneTest, ResizeKeepsTheFrontPadsWithZerosAndShowsTheFirstLine) {
    const std::string initial = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    struct Case {
        const char* name;
        std::int64_t length;
        Bytes expected;
    };
    Bytes grown(initial.begin(), initial.end());
    grown.resize(40, 0);
    const Case cases[] = {
        {"grow 36 to 40 adds four zero bytes", 40, grown},
        {"shrink 36 to 10 keeps the first ten", 10, Bytes(initial.begin(), initial.begin() + 10)},
        {"negative counts as nothing", -5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(send, Bytes(initial.begin(), initial.end()));
        PutCaret(send, 1, 20);
        send.ResizeData(c.length);
        EXPECT_EQ(Contents(send), c.expected);
        EXPECT_EQ(send.m_nLength, static_cast<std::int64_t>(c.expected.size()));
        EXPECT_EQ(send.GetTopLine(), 0);
        EXPECT_EQ(send.GetText(), ExpectedView(send));
        EXPECT_EQ(Selection(send), send.GetTextLength());
    }
    Fill(send, Bytes(initial.begin(), initial.end()));
    send.ResizeData(40);
    EXPECT_EQ(Row(send, 2), "00000020| 57 58 59 5a 00 00 00 00" + std::string(26, ' ') +
                                "|WXYZ...." + std::string(9, ' '));
}

TEST_F(HexPaneTest, AppendKeepsTheLastLineOnTheLastRenderedRow) {
    const std::int64_t page = recv.GetPageLines();
    Bytes all;
    // One read of 16 bytes at a time: while every line fits, the first line
    // stays on the first row; then each read shows the last page + 1 lines.
    for (std::int64_t reads = 1; reads <= page + 6; ++reads) {
        SCOPED_TRACE(reads);
        const Bytes read = Pattern(16, static_cast<int>(reads));
        recv.AppendData(16, read.data());
        all.insert(all.end(), read.begin(), read.end());
        EXPECT_EQ(recv.m_nLength, static_cast<std::int64_t>(all.size()));
        EXPECT_EQ(recv.GetLineCount(), reads);
        const std::int64_t top = std::max<std::int64_t>(0, reads - page - 1);
        EXPECT_EQ(recv.GetTopLine(), top);
        // Read straight after the append: the deferred text is produced now.
        EXPECT_EQ(Selection(recv), recv.GetTextLength());
        EXPECT_EQ(recv.GetTextLength(), (reads - top) * kRow);
        EXPECT_EQ(Row(recv, static_cast<int>(reads - top - 1)), DumpLine(recv, reads - 1));
        EXPECT_EQ(ScrollInfo(recv).nPos, top);
        EXPECT_EQ(ScrollInfo(recv).nMax, reads - 1);
        EXPECT_EQ(recv.IsScrollBarEnabled(), reads > page);
    }
    EXPECT_EQ(Contents(recv), all);
    EXPECT_EQ(recv.GetText(), ExpectedView(recv));
}

TEST_F(HexPaneTest, ManyAppendsBetweenTwoReadsShowTheLatestView) {
    // Appends faster than paints: only the view after the last one counts.
    for (int read = 0; read < 500; ++read) {
        const Bytes bytes = Pattern(1 + read % 1024, read);
        recv.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    }
    PumpMessages();
    EXPECT_EQ(recv.GetText(), ExpectedView(recv));
    EXPECT_EQ(recv.GetTopLine(), recv.GetLineCount() - recv.GetPageLines() - 1);
}

TEST_F(HexPaneTest, AppendOfNothingMovesAScrolledViewBackToTheEnd) {
    const Bytes bytes = Pattern(100 * 16 + 5);
    recv.AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    const std::int64_t end = recv.GetTopLine();
    ASSERT_GT(end, 0);
    recv.ScrollBarRequest(SB_TOP);
    ASSERT_EQ(recv.GetTopLine(), 0);

    recv.AppendData(0, nullptr);
    EXPECT_EQ(Contents(recv), bytes);
    EXPECT_EQ(recv.GetTopLine(), end);
    EXPECT_EQ(ScrollInfo(recv).nPos, end);
    EXPECT_EQ(recv.GetText(), ExpectedView(recv));
}

// Scrolling over 100 lines (P = 11, so the bar's positions run 0 to 89).
TEST_F(HexPaneTest, ScrollRequestsFromTopMiddleAndEnd) {
    ASSERT_EQ(send.GetPageLines(), 11);
    struct Case {
        const char* name;
        std::int64_t from;  // top line before the request
        UINT request;
        int track;
        std::int64_t top;  // top line after
        int barPos;        // the scroll bar's position after
    };
    const Case cases[] = {
        {"line up at the top", 0, SB_LINEUP, 0, 0, 0},
        {"line up in the middle", 50, SB_LINEUP, 0, 49, 49},
        {"line up at the end", 89, SB_LINEUP, 0, 88, 88},
        {"line down at the top", 0, SB_LINEDOWN, 0, 1, 1},
        {"line down in the middle", 50, SB_LINEDOWN, 0, 51, 51},
        {"line down to the end", 88, SB_LINEDOWN, 0, 89, 89},
        {"line down at the end", 89, SB_LINEDOWN, 0, 89, 89},
        {"page up at the top", 0, SB_PAGEUP, 0, 0, 0},
        {"page up in the middle", 50, SB_PAGEUP, 0, 39, 39},
        {"page up near the top stops at 0", 5, SB_PAGEUP, 0, 0, 0},
        {"page up at the end", 89, SB_PAGEUP, 0, 78, 78},
        {"page down at the top", 0, SB_PAGEDOWN, 0, 11, 11},
        {"page down in the middle", 50, SB_PAGEDOWN, 0, 61, 61},
        {"page down near the end stops at N-1-P", 80, SB_PAGEDOWN, 0, 88, 88},
        {"page down at the end", 89, SB_PAGEDOWN, 0, 89, 89},
        {"thumb track", 0, SB_THUMBTRACK, 30, 30, 30},
        {"thumb track past the end stops at N-1-P", 50, SB_THUMBTRACK, 89, 88, 88},
        {"thumb position", 89, SB_THUMBPOSITION, 5, 5, 5},
        {"top", 50, SB_TOP, 0, 0, 0},
        {"bottom puts the last line on the first row", 50, SB_BOTTOM, 0, 99, 89},
        {"bottom from the end", 89, SB_BOTTOM, 0, 99, 89},
        {"end of scrolling", 50, SB_ENDSCROLL, 0, 50, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(send, Pattern(100 * 16));
        ScrollTo(send, c.from);
        ASSERT_EQ(send.GetTopLine(), c.from);
        PutCaret(send, 0, 60);
        send.ScrollBarRequest(c.request, c.track);
        EXPECT_EQ(send.GetTopLine(), c.top);
        EXPECT_EQ(ScrollInfo(send).nPos, c.barPos);
        EXPECT_EQ(send.GetText(), ExpectedView(send));
        EXPECT_EQ(CaretOf(send), (Caret{0, 60}));
    }
}

TEST_F(HexPaneTest, RequestsThatKeepTheTopLineChangeNothing) {
    // 36 bytes in three lines: everything fits, so no request moves the view
    // down; the caret and a selection stay as they are.
    const UINT requests[] = {SB_LINEUP,        SB_LINEDOWN,   SB_PAGEUP, SB_PAGEDOWN,
                             SB_THUMBPOSITION, SB_THUMBTRACK, SB_TOP,    SB_ENDSCROLL};
    for (UINT request : requests) {
        SCOPED_TRACE(request);
        send.SetSel(80, 90);
        send.ScrollBarRequest(request, 2);
        EXPECT_EQ(send.GetTopLine(), 0);
        long start = 0;
        long end = 0;
        send.GetSel(start, end);
        EXPECT_EQ(start, 80);
        EXPECT_EQ(end, 90);
        EXPECT_EQ(send.GetTextLength(), 3 * kRow);
    }
    // SB_BOTTOM still shows the last line alone on the first row.
    send.ScrollBarRequest(SB_BOTTOM);
    EXPECT_EQ(send.GetTopLine(), 2);
    EXPECT_EQ(send.GetText(), DumpLine(send, 2));
    EXPECT_EQ(ScrollInfo(send).nPos, 0);
}

TEST_F(HexPaneTest, ScrollingKeepsTheCaretsRowAndColumnWithinTheLinesShown) {
    // 100 lines, the last with 6 bytes.
    struct Case {
        const char* name;
        UINT request;
        Caret before;
        Caret after;
    };
    const Case cases[] = {
        {"bottom: hex area past the last byte goes to its high digit", SB_BOTTOM, {5, 40}, {0, 25}},
        {"bottom: text area past the last byte goes to its cell", SB_BOTTOM, {5, 70}, {0, 65}},
        {"bottom: an existing byte keeps its column", SB_BOTTOM, {3, 14}, {0, 14}},
        {"bottom: the offset column stays", SB_BOTTOM, {7, 3}, {0, 3}},
        {"page down: last row onto the last line's last byte", SB_PAGEDOWN, {11, 75}, {11, 65}},
        {"page down: a row above the last keeps its place", SB_PAGEDOWN, {10, 75}, {10, 75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(send, Pattern(99 * 16 + 6));
        send.ScrollBarRequest(SB_THUMBPOSITION, 80);
        PutCaret(send, c.before.row, c.before.column);
        send.ScrollBarRequest(c.request);
        EXPECT_EQ(CaretOf(send), c.after);
    }
}

TEST_F(HexPaneTest, ThumbUsesTheFullTrackingPosition) {
    // 70000 lines: positions past 65535 do not fit the message's 16 bits.
    Fill(send, Pattern(70000 * 16));
    send.ScrollBarRequest(SB_THUMBTRACK, 69000);
    EXPECT_EQ(send.GetTopLine(), 69000);
    EXPECT_EQ(Row(send, 0).substr(0, 10), "0010D880| ");
}

TEST_F(HexPaneTest, BuffersPastFourGiBKeepTheirOffsetsAndScrollBar) {
    // 33 GiB of zeros, never written, so they take no memory: more lines
    // than the 32-bit scroll bar can count.
    constexpr std::int64_t kLength = (std::int64_t{33} << 30) + 5;
    try {
        recv.ResizeData(kLength);
    } catch (const std::bad_alloc&) {
        GTEST_SKIP() << "no address space for 33 GiB";
    }
    const std::int64_t lines = (kLength + 15) / 16;
    ASSERT_EQ(recv.GetLineCount(), lines);
    const SCROLLINFO top = ScrollInfo(recv);
    EXPECT_EQ(top.nMax, static_cast<int>((lines - 1) >> 1));
    EXPECT_TRUE(recv.IsScrollBarEnabled());

    recv.AppendData(0, nullptr);
    EXPECT_EQ(recv.GetTopLine(), lines - recv.GetPageLines() - 1);
    const std::string last = Row(recv, static_cast<int>(recv.GetPageLines()));
    // Ten offset digits replace "| " past 4 GiB; the row keeps 77 columns.
    EXPECT_EQ(last.size(), 77u);
    EXPECT_EQ(last.substr(0, 26),
              "0840000000"
              "00 00 00 00 00  ");

    // The thumb's position, scaled back, lands on the same part of the buffer.
    recv.ScrollBarRequest(SB_THUMBTRACK, top.nMax / 2);
    EXPECT_EQ(recv.GetTopLine(), std::int64_t{top.nMax / 2} << 1);
    recv.ResizeData(0);
}

}  // namespace
