#pragma once
// HexLayout: the geometry of a hex pane's view, as a value with no window.
//
// The view holds the dump lines T to min(N - 1, T + P) of a buffer of L bytes
// (N lines of 16 bytes, T the line on the first row, P the lines of a page),
// one line of hexline::kLineChars characters per row and nothing between
// them, so text position p stands on row p / 77, column p % 77, and row r
// shows line T + r. The column numbers all come from HexLine's column map.
//
// The scroll bar keeps its position within 0 .. max(0, N - P) while T itself
// may lie past that (scrolled to the bottom, the last line alone on the first
// row); the scroll requests step from the bar's position.
//
// Out-of-range input: the constructor clamps a negative length, top line or
// page size to 0 (they come from the owner and the window), and a top line
// past the last line to the last line (a page of no lines would otherwise
// scroll a line down past the end and leave an empty view). Positions and
// rows passed to the queries come from the pane's own arithmetic and must not
// be negative (asserted); a position past the view's text is answered by the
// same arithmetic, rows and bytes it names simply do not exist.

#include <cstdint>

#include "panes/HexLine.h"

// The scroll requests of the view's scroll bar and movement keys.
enum class HexScroll {
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Thumb,  // to the line the thumb was dragged to
    Top,
    Bottom,
    None,  // a request that moves nothing (the end of a scroll)
};

// What a column of a dump line is, as the caret sees it: the hex groups are
// split into the two digits of a byte and the space after them.
enum class HexColumn {
    Offset,            // 0-7
    OffsetBar,         // 8-9, "| " between the offset and byte 0
    HighDigit,         // a byte's first hex digit
    LowDigit,          // a byte's second hex digit
    DigitSpace,        // the space after a byte's digits within a group
    SpaceAfterByte7,   // the first column of the group gap
    GroupGap,          // the extra space before byte 8
    SpaceAfterByte15,  // after the second group
    TextBar,           // "|" before the character cells
    Character,         // a byte's character cell
    FinalSpace,        // the line's last column
    Outside,           // any column outside the line
};

// True for the columns that show a byte: its two digits and its cell.
[[nodiscard]] constexpr bool IsByteColumn(HexColumn column) noexcept {
    return column == HexColumn::HighDigit || column == HexColumn::LowDigit ||
           column == HexColumn::Character;
}

class HexLayout {
public:
    static constexpr int kRowChars = hexline::kLineChars;
    static constexpr int kBytesPerRow = hexline::kBytesPerLine;

    HexLayout() = default;
    HexLayout(std::int64_t length, std::int64_t topLine, std::int64_t pageLines) noexcept;

    [[nodiscard]] std::int64_t Length() const noexcept { return m_length; }
    [[nodiscard]] std::int64_t LineCount() const noexcept { return m_lineCount; }
    [[nodiscard]] std::int64_t TopLine() const noexcept { return m_topLine; }
    [[nodiscard]] std::int64_t PageLines() const noexcept { return m_pageLines; }

    // The same buffer with another top line and page size (after a scroll
    // the window is measured again).
    [[nodiscard]] HexLayout WithTopLine(std::int64_t topLine,
                                        std::int64_t pageLines) const noexcept {
        return {m_length, topLine, pageLines};
    }

    // The scroll bar: its last position max(0, N - P), and its position, the
    // top line kept within 0 .. that.
    [[nodiscard]] std::int64_t LastScrollPosition() const noexcept;
    [[nodiscard]] std::int64_t ScrollPosition() const noexcept;

    // The last line the view holds, min(N - 1, P + scroll position); below
    // the top line when the buffer is empty.
    [[nodiscard]] std::int64_t LastRenderedLine() const noexcept;
    // The row that shows it (negative when the view holds no line).
    [[nodiscard]] std::int64_t LastRenderedRow() const noexcept {
        return LastRenderedLine() - m_topLine;
    }
    // The view's lines and the characters of its text.
    [[nodiscard]] std::int64_t RenderedLines() const noexcept;
    [[nodiscard]] long TextLength() const noexcept;

    // The top line that shows the end of the buffer: the last line on the
    // last rendered row, max(0, N - P - 1).
    [[nodiscard]] std::int64_t EndTopLine() const noexcept;

    // The top line a scroll request asks for, stepping from the scroll bar's
    // position (trackLine is read for Thumb only):
    //   LineUp    one line up, if not at 0
    //   LineDown  one line down while the position is at most N - 1 - P
    //   PageUp    P lines up, not below 0
    //   PageDown  P lines down while below N - 1 - P, not beyond it
    //   Thumb     trackLine, within 0 .. N - 1 - P
    //   Top       0
    //   Bottom    N - 1 (the last line alone on the first row)
    //   None      the position
    // The view moves when this differs from ScrollPosition().
    [[nodiscard]] std::int64_t ScrollTarget(HexScroll request,
                                            std::int64_t trackLine = 0) const noexcept;

    // Text positions.
    [[nodiscard]] static std::int64_t RowOf(long position) noexcept;
    [[nodiscard]] static int ColumnOf(long position) noexcept;
    [[nodiscard]] static long PositionOf(std::int64_t row, int column) noexcept {
        return static_cast<long>(row * kRowChars + column);
    }

    // What column x of a line is (any x).
    [[nodiscard]] static HexColumn ClassOf(int column) noexcept;

    // Columns of byte k (0-15) of a line.
    [[nodiscard]] static int HighDigitColumn(int k) noexcept {
        return hexline::ColumnOfByte(hexline::Kind::FirstHexGroup, k);
    }
    [[nodiscard]] static int LowDigitColumn(int k) noexcept { return HighDigitColumn(k) + 1; }
    [[nodiscard]] static int CharacterColumn(int k) noexcept {
        return hexline::ColumnOfByte(hexline::Kind::Text, k);
    }
    // The first and last byte column of a row in the area of the given kind:
    // the high digit of byte 0 and the low digit of byte 15 in either hex
    // group, the first and last character cell in the text area.
    [[nodiscard]] static int FirstColumnOfArea(hexline::Kind kind) noexcept;
    [[nodiscard]] static int LastColumnOfArea(hexline::Kind kind) noexcept;

    // Index of the first byte of the line on row r: (T + r) * 16.
    [[nodiscard]] std::int64_t RowStart(std::int64_t row) const noexcept;
    // The byte a position stands for, (T + row) * 16 + ByteOfColumn(column),
    // whatever the column shows; and the same counted from the view's first
    // byte, row * 16 + ByteOfColumn(column).
    [[nodiscard]] std::int64_t ByteIndexAt(long position) const noexcept;
    [[nodiscard]] std::int64_t ViewIndexAt(long position) const noexcept;
    [[nodiscard]] bool HasByte(std::int64_t index) const noexcept {
        return index >= 0 && index < m_length;
    }

    // A data position: a digit or the character cell of a byte that exists,
    // on a row the view holds.
    [[nodiscard]] bool IsDataPosition(long position) const noexcept;

    // Where the view shows byte j of the view (counted from its first byte):
    // its two digits, and its character cell.
    [[nodiscard]] static long DigitsPosition(std::int64_t viewIndex) noexcept;
    [[nodiscard]] static long CharacterPosition(std::int64_t viewIndex) noexcept;

private:
    std::int64_t m_length = 0;
    std::int64_t m_lineCount = 0;
    std::int64_t m_topLine = 0;
    std::int64_t m_pageLines = 0;
};
