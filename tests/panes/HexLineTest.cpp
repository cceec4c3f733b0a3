#include "panes/HexLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "panes/ByteBuffer.h"

namespace {

using hexline::Kind;

std::string Line(const ByteBuffer& buffer, std::int64_t line) {
    char out[hexline::kLineChars];
    return {out, static_cast<std::size_t>(hexline::FormatDumpLine(buffer, line, out))};
}

// The line built field by field with formatted printing, as an oracle.
std::string PlainLine(std::int64_t offset, const std::vector<std::uint8_t>& bytes) {
    char field[16];
    std::snprintf(field, sizeof field, "%08X| ", static_cast<unsigned>(offset));
    std::string line = field;
    std::string cells;
    for (std::size_t k = 0; k < 16; ++k) {
        line += k == 8 ? " " : "";
        if (k < bytes.size()) {
            std::snprintf(field, sizeof field, "%02x ", bytes[k]);
        }
        line += k < bytes.size() ? field : "   ";
        const bool shown = k < bytes.size() && bytes[k] >= 0x20 && bytes[k] <= 0x7F;
        cells += k >= bytes.size() ? ' ' : shown ? static_cast<char>(bytes[k]) : '.';
    }
    return line + '|' + cells + ' ';
}

TEST(HexLineFormat, StartupExampleLinesCharacterForCharacter) {
    ByteBuffer buffer;
    buffer.Assign("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ", 36);

    EXPECT_EQ(Line(buffer, 0),
              "00000000| 31 32 33 34 35 36 37 38  39 30 41 42 43 44 45 46 |1234567890ABCDEF ");
    EXPECT_EQ(Line(buffer, 1),
              "00000010| 47 48 49 4a 4b 4c 4d 4e  4f 50 51 52 53 54 55 56 |GHIJKLMNOPQRSTUV ");
    EXPECT_EQ(Line(buffer, 2),
              "00000020| 57 58 59 5a" + std::string(38, ' ') + "|WXYZ" + std::string(13, ' '));
}

TEST(HexLineFormat, CharacterCellBoundaries) {
    const std::pair<std::uint8_t, char> rows[] = {
        {0x00, '.'}, {0x1F, '.'}, {0x20, ' '}, {0x7E, '~'}, {0x7F, 0x7F}, {0x80, '.'}, {0xFF, '.'},
    };
    for (const auto& [value, shown] : rows) {
        ByteBuffer buffer;
        buffer.Append(&value, 1);
        EXPECT_EQ(Line(buffer, 0).at(60), shown) << "byte " << int{value};
    }
}

TEST(HexLineFormat, LinesWithoutBytesWriteNothing) {
    // {buffer length, line}: empty pane, just past a whole last line, far past
    // the end, negative.
    const std::pair<std::int64_t, std::int64_t> rows[] = {{0, 0}, {32, 2}, {36, 1000}, {36, -1}};
    for (const auto& [length, line] : rows) {
        ByteBuffer buffer;
        buffer.Resize(length);
        std::string out(hexline::kLineChars, '#');
        EXPECT_EQ(hexline::FormatDumpLine(buffer, line, out.data()), 0) << length << "/" << line;
        EXPECT_EQ(out, std::string(hexline::kLineChars, '#'));
    }
}

// Every line length, with bytes covering all 256 values at varied positions,
// against the oracle: catches a wrong table entry or a misplaced column.
TEST(HexLineFormat, MatchesPlainFormatterForAnyBytesAndLength) {
    std::mt19937 random(7);
    for (int round = 0; round < 64; ++round) {
        for (std::size_t length = 1; length <= 17; ++length) {
            std::vector<std::uint8_t> bytes(length);
            for (std::size_t k = 0; k < length; ++k) {
                bytes[k] = static_cast<std::uint8_t>(round * 16 + k + random() % 3);
            }
            const std::int64_t offset = random() & 0xFFFFFFF0u;
            char out[hexline::kLineChars];
            ASSERT_EQ(hexline::FormatDumpLine(offset, bytes, out), hexline::kLineChars);
            // Bytes past the sixteenth belong to the next line.
            bytes.resize(std::min<std::size_t>(length, 16));
            ASSERT_EQ(std::string(out, sizeof out), PlainLine(offset, bytes))
                << "length " << length << " round " << round;
        }
    }
}

TEST(HexLineFormat, OffsetField) {
    struct Row {
        const char* name;
        std::int64_t offset;
        const char* field;
    };
    const Row rows[] = {
        {"zero", 0, "00000000| "},
        {"uppercase digits", 0xABCDEF0, "0ABCDEF0| "},
        {"last line below 4 GiB", 0xFFFFFFF0, "FFFFFFF0| "},
        {"4 GiB takes ten digits", 0x100000000, "0100000000"},
        {"ten uppercase digits", 0xABCDEF0120, "ABCDEF0120"},
        {"1 TiB wraps to the low 40 bits", std::int64_t{1} << 40, "0000000000"},
        {"past 1 TiB keeps the low 40 bits", (std::int64_t{3} << 40) + 0x12340, "0000012340"},
    };
    const std::uint8_t byte = 0x41;
    const std::string rest = PlainLine(0, {byte}).substr(hexline::kOffsetFieldChars);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char out[hexline::kLineChars];
        hexline::FormatOffset(row.offset, out);
        EXPECT_EQ(std::string(out, hexline::kOffsetFieldChars), row.field);
        // The row keeps its 77 characters and its columns whatever the offset.
        ASSERT_EQ(hexline::FormatDumpLine(row.offset, std::span(&byte, 1), out), 77);
        EXPECT_EQ(std::string(out, sizeof out), row.field + rest);
    }
}

// The column map written out column by column: a letter per column for its
// kind, and a hex digit per column for the byte it belongs to.
constexpr char kKinds[] =
    "oooooooo"                 //  0-7  offset
    "ss"                       //  8-9  "| "
    "11111111111111111111111"  // 10-32 first hex group
    "gg"                       // 33-34 gap
    "22222222222222222222222"  // 35-57 second hex group
    "ss"                       // 58-59 " |"
    "tttttttttttttttt"         // 60-75 text
    "s";                       // 76    final space
constexpr char kBytes[] =
    "00000000"
    "00"
    "00011122233344455566677"
    "00"
    "888999aaabbbcccdddeeeff"
    "00"
    "0123456789abcdef"
    "0";

Kind KindOfLetter(char letter) {
    switch (letter) {
    case 'o':
        return Kind::Offset;
    case '1':
        return Kind::FirstHexGroup;
    case 'g':
        return Kind::GroupGap;
    case '2':
        return Kind::SecondHexGroup;
    case 't':
        return Kind::Text;
    default:
        return Kind::Separator;
    }
}

TEST(HexLineColumns, KindAndByteOfEveryColumn) {
    static_assert(sizeof kKinds - 1 == hexline::kLineChars);
    static_assert(sizeof kBytes - 1 == hexline::kLineChars);
    for (int x = 0; x < hexline::kLineChars; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(hexline::ColumnKind(x), KindOfLetter(kKinds[x]));
        EXPECT_EQ(hexline::ByteOfColumn(x), std::stoi(std::string(1, kBytes[x]), nullptr, 16));
    }
    for (const int x : {-1000, -2, -1, 77, 78, 1000}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(hexline::ColumnKind(x), Kind::Separator);
        EXPECT_EQ(hexline::ByteOfColumn(x), 0);
    }
}

TEST(HexLineColumns, ColumnOfByte) {
    struct Row {
        Kind kind;
        int k;
        int column;
    };
    const Row rows[] = {
        {Kind::FirstHexGroup, 0, 10},  {Kind::FirstHexGroup, 7, 31},    // high digits
        {Kind::SecondHexGroup, 8, 35}, {Kind::SecondHexGroup, 15, 56},  // past the gap
        {Kind::FirstHexGroup, 9, 38},  {Kind::SecondHexGroup, 1, 13},   // either group alike
        {Kind::Text, 0, 60},           {Kind::Text, 15, 75},            // character cells
        {Kind::Offset, 5, 10},         {Kind::GroupGap, 15, 10},        // other kinds
        {Kind::Separator, 3, 10},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(hexline::ColumnOfByte(row.kind, row.k), row.column)
            << "kind " << static_cast<int>(row.kind) << " byte " << row.k;
    }
}

}  // namespace
