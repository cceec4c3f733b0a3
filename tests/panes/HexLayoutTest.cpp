// The hex pane's geometry without a window: what each column of a dump line
// is, where a byte shows, the view's counters, and where scrolling goes.

#include "panes/HexLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panes/ByteBuffer.h"

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Byte k of a line: high digit k, low digit 15 - k, so that every digit
// column of a formatted line tells which byte and which nibble it shows.
std::uint8_t LineByte(int k) {
    return static_cast<std::uint8_t>((k << 4) | (15 - k));
}

std::string FormattedLine(int bytes) {
    std::vector<std::uint8_t> line;
    for (int k = 0; k < bytes; ++k) {
        line.push_back(LineByte(k));
    }
    char out[hexline::kLineChars];
    return {out, static_cast<std::size_t>(hexline::FormatDumpLine(0, line, out))};
}

TEST(HexLayoutColumns, EveryColumnIsClassedAsTheFormattedLineShowsIt) {
    // The classes that show no byte, column by column.
    struct Row {
        const char* name;
        int first;
        int last;
        HexColumn column;
    };
    const Row rows[] = {
        {"left of the line", -40, -1, HexColumn::Outside},
        {"offset", 0, 7, HexColumn::Offset},
        {"bar before byte 0", 8, 9, HexColumn::OffsetBar},
        {"space after byte 7", 33, 33, HexColumn::SpaceAfterByte7},
        {"group gap", 34, 34, HexColumn::GroupGap},
        {"space after byte 15", 58, 58, HexColumn::SpaceAfterByte15},
        {"bar before the cells", 59, 59, HexColumn::TextBar},
        {"final space", 76, 76, HexColumn::FinalSpace},
        {"right of the line", 77, 120, HexColumn::Outside},
    };
    for (const Row& row : rows) {
        for (int x = row.first; x <= row.last; ++x) {
            EXPECT_EQ(HexLayout::ClassOf(x), row.column) << row.name << ", column " << x;
        }
    }
    // The byte columns and the spaces between them, read off the line.
    const std::string line = FormattedLine(16);
    for (int x = hexline::kFirstHexColumn; x <= hexline::kLastTextColumn; ++x) {
        SCOPED_TRACE("column " + std::to_string(x));
        const std::uint8_t byte = LineByte(hexline::ByteOfColumn(x));
        switch (HexLayout::ClassOf(x)) {
        case HexColumn::HighDigit:
            EXPECT_EQ(line[x], kHex[byte >> 4]);
            EXPECT_EQ(HexLayout::HighDigitColumn(hexline::ByteOfColumn(x)), x);
            break;
        case HexColumn::LowDigit:
            EXPECT_EQ(line[x], kHex[byte & 15]);
            EXPECT_EQ(HexLayout::LowDigitColumn(hexline::ByteOfColumn(x)), x);
            break;
        case HexColumn::Character:
            EXPECT_EQ(line[x], hexline::CharCell(byte));
            EXPECT_EQ(HexLayout::CharacterColumn(hexline::ByteOfColumn(x)), x);
            break;
        case HexColumn::DigitSpace:
            EXPECT_EQ(line[x], ' ');
            // The space follows the byte's low digit.
            EXPECT_EQ(HexLayout::ClassOf(x - 1), HexColumn::LowDigit);
            break;
        default:
            EXPECT_TRUE(line[x] == ' ' || line[x] == '|');
            break;
        }
    }
    // Each byte has exactly its two digits and its cell.
    int byteColumns = 0;
    for (int x = 0; x < hexline::kLineChars; ++x) {
        byteColumns += IsByteColumn(HexLayout::ClassOf(x)) ? 1 : 0;
    }
    EXPECT_EQ(byteColumns, 3 * hexline::kBytesPerLine);
}

TEST(HexLayoutColumns, AreaLandmarks) {
    using hexline::Kind;
    EXPECT_EQ(HexLayout::FirstColumnOfArea(Kind::FirstHexGroup), HexLayout::HighDigitColumn(0));
    EXPECT_EQ(HexLayout::FirstColumnOfArea(Kind::SecondHexGroup), HexLayout::HighDigitColumn(0));
    EXPECT_EQ(HexLayout::LastColumnOfArea(Kind::SecondHexGroup), HexLayout::LowDigitColumn(15));
    EXPECT_EQ(HexLayout::FirstColumnOfArea(Kind::Text), HexLayout::CharacterColumn(0));
    EXPECT_EQ(HexLayout::LastColumnOfArea(Kind::Text), HexLayout::CharacterColumn(15));
}

TEST(HexLayoutPositions, AByteOfTheViewShowsWhereTheDumpTextHasIt) {
    // Three lines of the view, the last partial: the digits and the cell of
    // every byte the text holds.
    ByteBuffer buffer;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 2 * 16 + 5; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i * 7 + 0x21));
    }
    buffer.Assign(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    std::string text;
    for (int line = 0; line < 3; ++line) {
        char out[hexline::kLineChars];
        text.append(out, static_cast<std::size_t>(hexline::FormatDumpLine(buffer, line, out)));
    }
    const HexLayout layout(buffer.Size(), 0, 11);
    ASSERT_EQ(layout.TextLength(), static_cast<long>(text.size()));
    for (std::int64_t j = 0; j < buffer.Size(); ++j) {
        SCOPED_TRACE("byte " + std::to_string(j));
        const std::uint8_t value = bytes[static_cast<std::size_t>(j)];
        const long digits = HexLayout::DigitsPosition(j);
        EXPECT_EQ(text.substr(static_cast<std::size_t>(digits), 2),
                  (std::string{kHex[value >> 4], kHex[value & 15]}));
        EXPECT_EQ(text[static_cast<std::size_t>(HexLayout::CharacterPosition(j))],
                  hexline::CharCell(value));
        // Both positions stand for the byte, and are data positions.
        for (const long p : {digits, digits + 1, HexLayout::CharacterPosition(j)}) {
            EXPECT_EQ(layout.ByteIndexAt(p), j);
            EXPECT_EQ(layout.ViewIndexAt(p), j);
            EXPECT_TRUE(layout.IsDataPosition(p)) << p;
        }
    }
}

TEST(HexLayoutPositions, DataPositionsOnlyOnBytesThatExistInTheView) {
    struct Row {
        const char* name;
        std::int64_t length;
        std::int64_t top;
        std::int64_t row;
        int column;
        bool data;
    };
    const Row rows[] = {
        {"empty buffer, first digit", 0, 0, 0, 10, false},
        {"one byte: its high digit", 1, 0, 0, 10, true},
        {"one byte: its cell", 1, 0, 0, 60, true},
        {"one byte: byte 1's digit", 1, 0, 0, 13, false},
        {"one byte: byte 1's cell", 1, 0, 0, 61, false},
        {"offset column", 36, 0, 0, 3, false},
        {"space between bytes", 36, 0, 0, 12, false},
        {"group gap", 36, 0, 0, 34, false},
        {"final space", 36, 0, 0, 76, false},
        {"last partial line: last byte", 36, 0, 2, 20, true},
        {"last partial line: past it", 36, 0, 2, 22, false},
        {"row below the text", 36, 0, 3, 10, false},
        {"scrolled: row 0 shows line 5", 16 * 20, 5, 0, 57, true},
        {"scrolled: row past the page plus one", 16 * 20, 5, 12, 10, false},
        {"17 bytes: second line's only byte", 17, 0, 1, 60, true},
        {"17 bytes: second line's next byte", 17, 0, 1, 61, false},
    };
    for (const Row& r : rows) {
        const HexLayout layout(r.length, r.top, 11);
        EXPECT_EQ(layout.IsDataPosition(HexLayout::PositionOf(r.row, r.column)), r.data) << r.name;
    }
}

TEST(HexLayoutCounters, LinesOfTheViewAndTheScrollBar) {
    struct Row {
        const char* name;
        std::int64_t length;
        std::int64_t top;
        std::int64_t page;
        // Expected:
        std::int64_t lines;
        std::int64_t topLine;
        std::int64_t scroll;
        std::int64_t lastRendered;
        std::int64_t rendered;
        std::int64_t endTop;
    };
    const Row rows[] = {
        {"empty", 0, 0, 11, 0, 0, 0, -1, 0, 0},
        {"one byte", 1, 0, 11, 1, 0, 0, 0, 1, 0},
        {"16 bytes", 16, 0, 11, 1, 0, 0, 0, 1, 0},
        {"17 bytes", 17, 0, 11, 2, 0, 0, 1, 2, 0},
        {"a page plus one fits", 12 * 16, 0, 11, 12, 0, 0, 11, 12, 0},
        {"long, at the top", 100 * 16, 0, 11, 100, 0, 0, 11, 12, 88},
        {"long, at the end", 100 * 16, 88, 11, 100, 88, 88, 99, 12, 88},
        {"long, last scroll position", 100 * 16, 89, 11, 100, 89, 89, 99, 11, 88},
        {"scrolled to the bottom", 100 * 16, 99, 11, 100, 99, 89, 99, 1, 88},
        {"bottom of a short buffer", 5 * 16, 4, 11, 5, 4, 0, 4, 1, 0},
        {"negative inputs", -5, -3, -1, 0, 0, 0, -1, 0, 0},
        {"top line past the last line", 36, 40, 11, 3, 2, 0, 2, 1, 0},
        {"page of no lines", 36, 1, 0, 3, 1, 1, 1, 1, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const HexLayout layout(r.length, r.top, r.page);
        EXPECT_EQ(layout.LineCount(), r.lines);
        EXPECT_EQ(layout.TopLine(), r.topLine);
        EXPECT_EQ(layout.ScrollPosition(), r.scroll);
        EXPECT_EQ(layout.LastRenderedLine(), r.lastRendered);
        EXPECT_EQ(layout.RenderedLines(), r.rendered);
        EXPECT_EQ(layout.TextLength(), r.rendered * hexline::kLineChars);
        EXPECT_EQ(layout.EndTopLine(), r.endTop);
    }
}

TEST(HexLayoutScrolling, EachRequestFromEachEnd) {
    // 100 lines, a page of 11: the thumb and the line steps stop at 88 and
    // 89 (N - 1 - P and N - P).
    constexpr std::int64_t kLong = 100 * 16;
    struct Row {
        const char* name;
        std::int64_t length;
        std::int64_t top;
        HexScroll request;
        std::int64_t track;
        std::int64_t target;
    };
    const Row rows[] = {
        {"line up", kLong, 50, HexScroll::LineUp, 0, 49},
        {"line up at the top", kLong, 0, HexScroll::LineUp, 0, 0},
        {"line down", kLong, 50, HexScroll::LineDown, 0, 51},
        {"line down to N - P", kLong, 88, HexScroll::LineDown, 0, 89},
        {"line down at N - P", kLong, 89, HexScroll::LineDown, 0, 89},
        {"page up", kLong, 50, HexScroll::PageUp, 0, 39},
        {"page up near the top", kLong, 4, HexScroll::PageUp, 0, 0},
        {"page up at the top", kLong, 0, HexScroll::PageUp, 0, 0},
        {"page down", kLong, 50, HexScroll::PageDown, 0, 61},
        {"page down near the end", kLong, 80, HexScroll::PageDown, 0, 88},
        {"page down at N - 1 - P", kLong, 88, HexScroll::PageDown, 0, 88},
        {"page down past N - 1 - P", kLong, 89, HexScroll::PageDown, 0, 89},
        {"thumb", kLong, 0, HexScroll::Thumb, 40, 40},
        {"thumb past the range", kLong, 0, HexScroll::Thumb, 4000, 88},
        {"thumb below 0", kLong, 30, HexScroll::Thumb, -7, 0},
        {"top", kLong, 50, HexScroll::Top, 0, 0},
        {"bottom: the last line alone", kLong, 50, HexScroll::Bottom, 0, 99},
        {"end of a scroll", kLong, 50, HexScroll::None, 0, 50},
        // From the bottom (top line 99) the requests step from the bar's
        // position, 89.
        {"line up from the bottom", kLong, 99, HexScroll::LineUp, 0, 88},
        {"page up from the bottom", kLong, 99, HexScroll::PageUp, 0, 78},
        {"end of a scroll at the bottom", kLong, 99, HexScroll::None, 0, 89},
        // Every line fits: nothing moves the view down.
        {"fits: line down", 36, 0, HexScroll::LineDown, 0, 0},
        {"fits: page down", 36, 0, HexScroll::PageDown, 0, 0},
        {"fits: thumb", 36, 0, HexScroll::Thumb, 2, 0},
        {"fits: bottom", 36, 0, HexScroll::Bottom, 0, 2},
        {"empty: bottom", 0, 0, HexScroll::Bottom, 0, 0},
        {"exactly a page plus one: line down", 12 * 16, 0, HexScroll::LineDown, 0, 1},
        {"exactly a page plus one: page down", 12 * 16, 0, HexScroll::PageDown, 0, 0},
    };
    for (const Row& r : rows) {
        const HexLayout layout(r.length, r.top, 11);
        EXPECT_EQ(layout.ScrollTarget(r.request, r.track), r.target) << r.name;
    }
}

}  // namespace
