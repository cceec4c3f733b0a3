#include "panes/HexLine.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "panes/ByteBuffer.h"

namespace hexline {

namespace {

// A dump line is formatted by copying precomputed pieces: the receive pane
// formats every line in view on each read, so a formatted-print call per byte
// would dominate the receive path.
struct Tables {
    // "xx  " for every byte: two lowercase digits, the separating space and a
    // spare space, so each byte is one 4-byte copy; the spare lands where the
    // next byte's high digit (written later) or a blank belongs.
    std::array<std::array<char, 4>, 256> hexQuad{};
    // "XX": two uppercase digits, for the offset.
    std::array<std::array<char, 2>, 256> upperPair{};
    std::array<char, 256> cell{};
};

constexpr Tables MakeTables() {
    constexpr char kLower[] = "0123456789abcdef";
    constexpr char kUpper[] = "0123456789ABCDEF";
    Tables tables;
    for (int value = 0; value < 256; ++value) {
        tables.hexQuad[value] = {kLower[value >> 4], kLower[value & 15], ' ', ' '};
        tables.upperPair[value] = {kUpper[value >> 4], kUpper[value & 15]};
        tables.cell[value] = CharCell(static_cast<std::uint8_t>(value));
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

constexpr int kFirstSeparatorColumn = 8;
constexpr int kBarColumn = 59;
constexpr int kFinalColumn = 76;

constexpr int HighDigitColumn(int k) noexcept {
    return kFirstHexColumn + 3 * k + (k >= 8 ? 1 : 0);
}

void PutUpperByte(char* out, std::uint64_t value) noexcept {
    std::memcpy(out, kTables.upperPair[value & 0xFF].data(), 2);
}

// Inlined with a constant count for full lines, so the loops unroll.
inline void PutBytes(const std::uint8_t* bytes, int count, char* out) noexcept {
    for (int k = 0; k < count; ++k) {
        std::memcpy(out + HighDigitColumn(k), kTables.hexQuad[bytes[k]].data(), 4);
    }
    // Byte 15's spare space overwrote column 59.
    out[kBarColumn] = '|';
    for (int k = 0; k < count; ++k) {
        out[kFirstTextColumn + k] = kTables.cell[bytes[k]];
    }
    out[kFinalColumn] = ' ';
}

}  // namespace

Kind ColumnKind(int x) noexcept {
    if (x >= 0 && x <= 7) {
        return Kind::Offset;
    }
    if (x >= kFirstHexColumn && x <= 32) {
        return Kind::FirstHexGroup;
    }
    if (x == 33 || x == 34) {
        return Kind::GroupGap;
    }
    if (x >= kSecondGroupColumn && x <= kLastHexColumn) {
        return Kind::SecondHexGroup;
    }
    if (x >= kFirstTextColumn && x <= kLastTextColumn) {
        return Kind::Text;
    }
    return Kind::Separator;
}

int ByteOfColumn(int x) noexcept {
    switch (ColumnKind(x)) {
    case Kind::FirstHexGroup:
        return (x - kFirstHexColumn) / 3;
    case Kind::SecondHexGroup:
        return (x - kSecondGroupColumn) / 3 + 8;
    case Kind::Text:
        return x - kFirstTextColumn;
    default:
        return 0;
    }
}

int ColumnOfByte(Kind kind, int k) noexcept {
    if (IsHexGroup(kind)) {
        return HighDigitColumn(k);
    }
    if (kind == Kind::Text) {
        return kFirstTextColumn + k;
    }
    return kFirstHexColumn;
}

void FormatOffset(std::int64_t offset, char* out) noexcept {
    const auto value = static_cast<std::uint64_t>(offset);
    if (value <= 0xFFFFFFFFu) {
        PutUpperByte(out + 0, value >> 24);
        PutUpperByte(out + 2, value >> 16);
        PutUpperByte(out + 4, value >> 8);
        PutUpperByte(out + 6, value);
        out[kFirstSeparatorColumn] = '|';
        out[kFirstSeparatorColumn + 1] = ' ';
        return;
    }
    // Ten digits of the low 40 bits fill the whole field (see the header).
    PutUpperByte(out + 0, value >> 32);
    PutUpperByte(out + 2, value >> 24);
    PutUpperByte(out + 4, value >> 16);
    PutUpperByte(out + 6, value >> 8);
    PutUpperByte(out + 8, value);
}

int FormatDumpLine(std::int64_t offset, std::span<const std::uint8_t> bytes, char* out) noexcept {
    const int count = static_cast<int>(std::min<std::size_t>(bytes.size(), kBytesPerLine));
    if (count == 0) {
        return 0;
    }
    FormatOffset(offset, out);
    if (count == kBytesPerLine) {
        // Every column from 10 on is written below.
        PutBytes(bytes.data(), kBytesPerLine, out);
    } else {
        std::memset(out + kFirstHexColumn, ' ', kLineChars - kFirstHexColumn);
        PutBytes(bytes.data(), count, out);
    }
    return kLineChars;
}

int FormatDumpLine(const ByteBuffer& buffer, std::int64_t line, char* out) noexcept {
    static_assert(ByteBuffer::kChunkSize % kBytesPerLine == 0,
                  "a dump line must lie within one chunk");
    if (line < 0 || line >= LineCount(buffer.Size())) {
        return 0;
    }
    const std::int64_t offset = line * kBytesPerLine;
    // The run is cut to the line's 16 bytes by the formatter.
    return FormatDumpLine(offset, buffer.ContiguousAt(offset), out);
}

}  // namespace hexline
