#pragma once
// The dump line of a hex data pane: its format and its column map, as pure
// functions that the pane's view, caret and editing rules are built on.
//
// A dump line shows 16 bytes in 77 characters:
//
//   00000000| 31 32 33 34 35 36 37 38  39 30 41 42 43 44 45 46 |1234567890ABCDEF
//   ^0       ^8 ^10                    ^35                     ^58 ^60             ^76
//
//   columns  0-7   offset of the line's first byte ("%08X")
//            8-9   "| "
//           10-32  bytes 0-7: high digit at 10+3k, low digit at 11+3k, space at 12+3k
//           33-34  space after byte 7 and the group gap
//           35-57  bytes 8-15: high digit at 11+3k, low digit at 12+3k, space at 13+3k
//           58-59  space after byte 15 and "|"
//           60-75  character cell of byte k at 60+k
//           76     final space
//
// Offsets past 4 GiB: eight digits cannot hold them, and widening the row would
// break the fixed 77-character geometry that the caret rules rely on. From
// 0x100000000 on, the offset is shown as ten uppercase hex digits filling
// columns 0-9, taking the place of "| ". Ten digits reach 2^40 (1 TiB); past
// that the low 40 bits are shown. The column map itself does not change:
// columns 8-9 still count as a separator for the caret, whatever they show.

#include <cstdint>
#include <span>

class ByteBuffer;

namespace hexline {

inline constexpr int kLineChars = 77;
inline constexpr int kBytesPerLine = 16;

// Landmark columns that the caret rules step between.
inline constexpr int kFirstHexColumn = 10;     // high digit of byte 0
inline constexpr int kSecondGroupColumn = 35;  // high digit of byte 8
inline constexpr int kLastHexColumn = 57;      // low digit of byte 15
inline constexpr int kFirstTextColumn = 60;    // character cell of byte 0
inline constexpr int kLastTextColumn = 75;     // character cell of byte 15

// Characters FormatOffset writes: columns 0-9.
inline constexpr int kOffsetFieldChars = 10;

enum class Kind {
    Offset,          // 0-7
    Separator,       // 8-9, 58-59, 76, and every column outside 0-76
    FirstHexGroup,   // 10-32
    GroupGap,        // 33-34
    SecondHexGroup,  // 35-57
    Text,            // 60-75
};

[[nodiscard]] constexpr bool IsHexGroup(Kind kind) noexcept {
    return kind == Kind::FirstHexGroup || kind == Kind::SecondHexGroup;
}

// The kind of column x; any x, negative ones included.
[[nodiscard]] Kind ColumnKind(int x) noexcept;

// Index within the line (0-15) of the byte that column x belongs to:
// (x - 10) / 3 in the first hex group, (x - 35) / 3 + 8 in the second, x - 60
// in the text area, and 0 for every other column.
[[nodiscard]] int ByteOfColumn(int x) noexcept;

// The column of byte k (0-15) in the area of the given kind: its high digit in
// either hex group (10 + 3k for k < 8, 11 + 3k from 8 on), its character cell
// in the text area (60 + k), and column 10 for every other kind.
[[nodiscard]] int ColumnOfByte(Kind kind, int k) noexcept;

// How a byte shows in the character column: 0x20 to 0x7F inclusive as itself,
// every other value as '.'.
[[nodiscard]] constexpr char CharCell(std::uint8_t value) noexcept {
    return value >= 0x20 && value <= 0x7F ? static_cast<char>(value) : '.';
}

// Number of dump lines for a buffer of length bytes: (length + 15) / 16.
[[nodiscard]] constexpr std::int64_t LineCount(std::int64_t length) noexcept {
    return length <= 0 ? 0 : (length + kBytesPerLine - 1) / kBytesPerLine;
}

// Writes columns 0-9 of a line whose first byte is at offset (offset >= 0):
// "%08X| " below 4 GiB, else ten uppercase digits of the offset's low 40 bits.
void FormatOffset(std::int64_t offset, char* out) noexcept;

// Writes the dump line of the bytes given (the first 16 at most), whose first
// byte is at offset, into out[0..76]; positions past the bytes given show as
// spaces. Returns the characters written: 77, or 0 when no bytes are given.
int FormatDumpLine(std::int64_t offset, std::span<const std::uint8_t> bytes, char* out) noexcept;

// Writes dump line `line` of buffer (covering bytes 16*line to 16*line + 15)
// into out[0..76] and returns 77; a line whose first byte lies at or beyond the
// buffer's end, or a negative line, writes nothing and returns 0. out must have
// room for 77 characters; no terminator is written.
int FormatDumpLine(const ByteBuffer& buffer, std::int64_t line, char* out) noexcept;

}  // namespace hexline
