#pragma once
// HexCaret: the caret rules of a hex pane, as a value with no window.
//
// A HexCaret is made for one input from the view's layout and the caret's
// text position (the start of the control's selection). Each operation
// applies one input, the way the pane's handlers receive it: a cursor key,
// a typed character, a click, a scroll request. Afterwards it tells what the
// pane must do to its window: rebuild the view at Layout().TopLine() when
// Scrolled(), and put the caret at Position() when Placed() (which collapses
// any selection; a caret that was not placed keeps its selection).
//
// The caret works on data positions (HexLayout::IsDataPosition). It can stand
// elsewhere after the owner replaced the view (at the end of the text) or
// when the pane was reached with the keyboard (the whole text selected,
// starting on the first offset). From there a cursor key, Backspace, Tab or a
// character first brings it onto the data position that a click at that
// place would choose (Snapped) and then acts as it would there; a character
// that cannot apply leaves the caret where it was.
//
// Out-of-range input: a position outside the view's text is clamped into it,
// as the text control keeps its selection; the page size a rebuild would
// measure is clamped to 0 or more. Movement never goes past either end of
// the buffer, and a character never edits a byte that does not exist.

#include <cstdint>
#include <optional>

#include "panes/HexLayout.h"

// The cursor keys the pane handles (the dedicated keys only; Home, End,
// Insert, Delete and the keypad's arrows do nothing and have no entry).
enum class HexKey { Up, PageUp, Left, Right, Down, PageDown };

// A typed character that changes a byte.
struct HexEdit {
    enum class Part { HighDigit, LowDigit, Whole };

    std::int64_t index = 0;      // the byte in the buffer
    std::int64_t viewIndex = 0;  // the same byte counted from the view's first byte
    long position = 0;           // the data position the character acts at
    Part part = Part::Whole;
    std::uint8_t typed = 0;  // the digit's value (0-15), or the whole byte

    // The byte's new value, from its value now: the typed digit replaces the
    // one under the caret and the other digit stays; a character cell takes
    // the character's code.
    [[nodiscard]] std::uint8_t Applied(std::uint8_t old) const noexcept;
};

class HexCaret {
public:
    // Characters with a meaning of their own.
    static constexpr unsigned kBackspace = 8;
    static constexpr unsigned kTab = 9;
    static constexpr unsigned kEnter = 13;

    // rebuildPageLines: the page size the window gives when the view is
    // rebuilt after a scroll (it may have changed since the layout's).
    HexCaret(const HexLayout& layout, long position, std::int64_t rebuildPageLines) noexcept;

    [[nodiscard]] const HexLayout& Layout() const noexcept { return m_layout; }
    [[nodiscard]] long Position() const noexcept { return m_position; }
    [[nodiscard]] bool Scrolled() const noexcept { return m_scrolled; }
    [[nodiscard]] bool ScrollRequested() const noexcept { return m_scrollRequested; }
    [[nodiscard]] bool Placed() const noexcept { return m_placed; }

    // The data position a caret or click at position stands for; 0 for an
    // empty buffer. A row below the last rendered one counts as that row,
    // keeping the column. Then the column snaps:
    //   offset and "| "                  the high digit of byte 0
    //   the space after byte 7           the high digit of byte 7
    //   the group gap                    the high digit of byte 8
    //   the space after byte 15          the high digit of byte 15
    //   "|" and the final space          the character cell of byte 0
    //   the space after a byte's digits  that byte's low digit
    //   a digit or a character cell      itself
    // and if that byte does not exist, onto the line's last byte in the area
    // of the column clicked: its high digit in a hex group, its cell in the
    // text area, and the high digit of the line's first byte elsewhere.
    [[nodiscard]] long Snapped(long position) const noexcept;

    // Where the caret at position goes when the view shows other lines: a row
    // below the last rendered one moves up to it keeping its column, and then
    // a byte column past the row's last byte moves onto that byte's first
    // column of the same area (high digit or character cell).
    [[nodiscard]] long Normalized(long position) const noexcept;

    // A cursor key, from the snapped caret p:
    //   Up        one row up; on the first row, a line up and the caret back on p
    //   PageUp    a page up and the caret back on p
    //   Left      MoveLeft
    //   Right     MoveRight
    //   Down      one row down if the byte below exists; on row P - 1 or
    //             below, a line down (the caret normalised)
    //   PageDown  a page down (the caret normalised)
    // Nothing happens in an empty buffer.
    void Press(HexKey key) noexcept;

    // A typed character. Backspace moves as Left does and Tab goes between
    // the byte's digit and its cell on the same row; Enter and every
    // character in an empty buffer do nothing. Any other character gives
    // the edit it makes at the snapped caret: on a digit, a hex digit (0-9,
    // a-f, A-F) for that nibble; on a character cell, a code below 128. Other
    // characters, and characters on a byte that does not exist, give none.
    // The caret does not move for an edit until Advance.
    [[nodiscard]] std::optional<HexEdit> Type(unsigned character) noexcept;
    // After an edit was stored: the caret on its position, then MoveRight,
    // so typing runs on from nibble to nibble and byte to byte (and stays on
    // the buffer's last nibble or cell).
    void Advance(const HexEdit& edit) noexcept;

    // After the control put the caret (or ended a drag) at a click: the caret
    // snaps, collapsing any selection.
    void Click() noexcept;

    // A request of the scroll bar, or a step of the movement keys: if the
    // target differs from the scroll position, the view moves there, the
    // window's page size is taken again, and the caret is normalised.
    void Scroll(HexScroll request, std::int64_t trackLine = 0) noexcept;

private:
    // One step back over the data positions: low digit to high digit, high
    // digit to the previous byte's low digit, a cell to the previous cell;
    // from the first position of a row to the last one of the same area on
    // the row above, scrolling a line up on the first row.
    void MoveLeft(long position) noexcept;
    // One step forward onto a byte that exists: high digit to low digit, low
    // digit to the next byte's high digit, a cell to the next cell; from the
    // last position of a row to the first one of the same area on the next
    // line if there is one, scrolling a line down from row P - 1 or below.
    void MoveRight(long position) noexcept;
    void Down(long position) noexcept;
    void Tab(long position) noexcept;
    // The caret snapped, put there if it moved.
    long OnData() noexcept;
    void Put(long position) noexcept;

    HexLayout m_layout;
    long m_position = 0;
    std::int64_t m_rebuildPageLines = 0;
    bool m_scrolled = false;
    bool m_scrollRequested = false;
    bool m_placed = false;
};
