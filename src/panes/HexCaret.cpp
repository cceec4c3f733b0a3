#include "panes/HexCaret.h"

#include <algorithm>

using hexline::Kind;

namespace {

int HexDigitValue(unsigned c) noexcept {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    return -1;
}

// Where a click on a column puts the caret before the byte's existence is
// checked: onto a digit or character cell of the same line.
int SnapColumn(int column) noexcept {
    switch (HexLayout::ClassOf(column)) {
    case HexColumn::Offset:
    case HexColumn::OffsetBar:
        return HexLayout::HighDigitColumn(0);
    case HexColumn::SpaceAfterByte7:
        return HexLayout::HighDigitColumn(7);
    case HexColumn::GroupGap:
        return HexLayout::HighDigitColumn(8);
    case HexColumn::SpaceAfterByte15:
        return HexLayout::HighDigitColumn(15);
    case HexColumn::TextBar:
    case HexColumn::FinalSpace:
        return HexLayout::CharacterColumn(0);
    case HexColumn::DigitSpace:
        return column - 1;
    case HexColumn::HighDigit:
    case HexColumn::LowDigit:
    case HexColumn::Character:
    case HexColumn::Outside:
        break;
    }
    return column;
}

constexpr int kLastByteOfLine = hexline::kBytesPerLine - 1;

}  // namespace

std::uint8_t HexEdit::Applied(std::uint8_t old) const noexcept {
    switch (part) {
    case Part::HighDigit:
        return static_cast<std::uint8_t>((typed << 4) | (old & 0x0F));
    case Part::LowDigit:
        return static_cast<std::uint8_t>((old & 0xF0) | typed);
    case Part::Whole:
        break;
    }
    return typed;
}

HexCaret::HexCaret(const HexLayout& layout, long position, std::int64_t rebuildPageLines) noexcept
    : m_layout(layout),
      m_position(std::clamp(position, 0L, layout.TextLength())),
      m_rebuildPageLines(std::max<std::int64_t>(rebuildPageLines, 0)) {}

void HexCaret::Put(long position) noexcept {
    // As the text control keeps its selection: within the text, a negative
    // start meaning its end.
    const long length = m_layout.TextLength();
    m_position = position < 0 ? length : std::min(position, length);
    m_placed = true;
}

long HexCaret::Snapped(long position) const noexcept {
    const std::int64_t length = m_layout.Length();
    if (length <= 0) {
        return 0;
    }
    const long at = std::max(0L, position);
    const std::int64_t row = std::min(HexLayout::RowOf(at), m_layout.LastRenderedRow());
    const int clicked = HexLayout::ColumnOf(at);
    int column = SnapColumn(clicked);
    const std::int64_t lineStart = m_layout.RowStart(row);
    if (lineStart + hexline::ByteOfColumn(column) >= length) {
        const int last = static_cast<int>(length - 1 - lineStart);
        column = hexline::ColumnOfByte(hexline::ColumnKind(clicked), last);
    }
    return HexLayout::PositionOf(row, column);
}

long HexCaret::Normalized(long position) const noexcept {
    const std::int64_t length = m_layout.Length();
    if (m_layout.LineCount() == 0) {
        return position;
    }
    const std::int64_t row = std::min(HexLayout::RowOf(position), m_layout.LastRenderedRow());
    int column = HexLayout::ColumnOf(position);
    const Kind kind = hexline::ColumnKind(column);
    if (hexline::IsHexGroup(kind) || kind == Kind::Text) {
        const std::int64_t lineStart = m_layout.RowStart(row);
        if (lineStart + hexline::ByteOfColumn(column) >= length) {
            column = hexline::ColumnOfByte(kind, static_cast<int>(length - 1 - lineStart));
        }
    }
    return HexLayout::PositionOf(row, column);
}

long HexCaret::OnData() noexcept {
    const long p = Snapped(m_position);
    if (p != m_position) {
        Put(p);
    }
    return p;
}

void HexCaret::Press(HexKey key) noexcept {
    if (m_layout.Length() == 0) {
        return;
    }
    const long p = OnData();
    switch (key) {
    case HexKey::Up:
        if (HexLayout::RowOf(p) > 0) {
            Put(p - HexLayout::kRowChars);
        } else {
            Scroll(HexScroll::LineUp);
            Put(p);
        }
        break;
    case HexKey::PageUp:
        Scroll(HexScroll::PageUp);
        Put(p);
        break;
    case HexKey::Left:
        MoveLeft(p);
        break;
    case HexKey::Right:
        MoveRight(p);
        break;
    case HexKey::Down:
        Down(p);
        break;
    case HexKey::PageDown:
        Scroll(HexScroll::PageDown);
        break;
    }
}

void HexCaret::Down(long p) noexcept {
    const std::int64_t row = HexLayout::RowOf(p);
    if (row < m_layout.PageLines() - 1) {
        const long below = p + HexLayout::kRowChars;
        if (m_layout.HasByte(m_layout.ByteIndexAt(below))) {
            Put(below);
        }
    } else {
        Scroll(HexScroll::LineDown);
    }
}

void HexCaret::MoveLeft(long p) noexcept {
    const std::int64_t row = HexLayout::RowOf(p);
    const int column = HexLayout::ColumnOf(p);
    const Kind kind = hexline::ColumnKind(column);
    const int k = hexline::ByteOfColumn(column);
    if (hexline::IsHexGroup(kind)) {
        if (HexLayout::ClassOf(column) == HexColumn::LowDigit) {
            Put(p - 1);
            return;
        }
        if (k >= 1) {
            Put(HexLayout::PositionOf(row, HexLayout::LowDigitColumn(k - 1)));
            return;
        }
    } else if (kind == Kind::Text) {
        if (k >= 1) {
            Put(p - 1);
            return;
        }
    } else {
        return;
    }
    // The first position of a row: to the last one of the same area above.
    const int lastColumn = HexLayout::LastColumnOfArea(kind);
    if (row > 0) {
        Put(HexLayout::PositionOf(row - 1, lastColumn));
    } else if (m_layout.TopLine() > 0) {
        const std::int64_t before = m_layout.TopLine();
        Scroll(HexScroll::LineUp);
        if (m_layout.TopLine() != before) {
            Put(HexLayout::PositionOf(0, lastColumn));
        }
    }
}

void HexCaret::MoveRight(long p) noexcept {
    const std::int64_t row = HexLayout::RowOf(p);
    const int column = HexLayout::ColumnOf(p);
    const Kind kind = hexline::ColumnKind(column);
    const int k = hexline::ByteOfColumn(column);
    const std::int64_t lineStart = m_layout.RowStart(row);
    if (hexline::IsHexGroup(kind)) {
        if (HexLayout::ClassOf(column) == HexColumn::HighDigit) {
            Put(p + 1);
            return;
        }
        if (k < kLastByteOfLine) {
            if (m_layout.HasByte(lineStart + k + 1)) {
                Put(HexLayout::PositionOf(row, HexLayout::HighDigitColumn(k + 1)));
            }
            return;
        }
    } else if (kind == Kind::Text) {
        if (k < kLastByteOfLine) {
            if (m_layout.HasByte(lineStart + k + 1)) {
                Put(p + 1);
            }
            return;
        }
    } else {
        return;
    }
    // The last position of a row: on to the next line, if there is one.
    if (m_layout.TopLine() + row + 1 > m_layout.LineCount() - 1) {
        return;
    }
    const int firstColumn = HexLayout::FirstColumnOfArea(kind);
    if (row < m_layout.PageLines() - 1) {
        Put(HexLayout::PositionOf(row + 1, firstColumn));
        return;
    }
    const std::int64_t before = m_layout.TopLine();
    Scroll(HexScroll::LineDown);
    if (m_layout.TopLine() != before) {
        Put(HexLayout::PositionOf(row, firstColumn));
    }
}

void HexCaret::Tab(long p) noexcept {
    const int column = HexLayout::ColumnOf(p);
    const int k = hexline::ByteOfColumn(column);
    const int other = hexline::ColumnKind(column) == Kind::Text ? HexLayout::HighDigitColumn(k)
                                                                : HexLayout::CharacterColumn(k);
    Put(HexLayout::PositionOf(HexLayout::RowOf(p), other));
}

std::optional<HexEdit> HexCaret::Type(unsigned character) noexcept {
    if (m_layout.Length() == 0 || character == kEnter) {
        return std::nullopt;
    }
    // Where the character acts; the caret only goes there if it does.
    const long p = Snapped(m_position);
    if (character == kBackspace) {
        if (p != m_position) {
            Put(p);
        }
        MoveLeft(p);
        return std::nullopt;
    }
    if (character == kTab) {
        Tab(p);
        return std::nullopt;
    }
    HexEdit edit;
    edit.position = p;
    edit.viewIndex = m_layout.ViewIndexAt(p);
    edit.index = m_layout.ByteIndexAt(p);
    if (!m_layout.HasByte(edit.index)) {
        return std::nullopt;
    }
    const int column = HexLayout::ColumnOf(p);
    const Kind kind = hexline::ColumnKind(column);
    if (kind == Kind::Text) {
        if (character >= 128) {
            return std::nullopt;
        }
        edit.part = HexEdit::Part::Whole;
        edit.typed = static_cast<std::uint8_t>(character);
    } else if (hexline::IsHexGroup(kind)) {
        const int digit = HexDigitValue(character);
        if (digit < 0) {
            return std::nullopt;
        }
        edit.part = HexLayout::ClassOf(column) == HexColumn::HighDigit ? HexEdit::Part::HighDigit
                                                                       : HexEdit::Part::LowDigit;
        edit.typed = static_cast<std::uint8_t>(digit);
    } else {
        return std::nullopt;
    }
    return edit;
}

void HexCaret::Advance(const HexEdit& edit) noexcept {
    Put(edit.position);
    MoveRight(edit.position);
}

void HexCaret::Click() noexcept {
    Put(Snapped(m_position));
}

void HexCaret::Scroll(HexScroll request, std::int64_t trackLine) noexcept {
    m_scrollRequested = true;
    const long caret = m_position;
    const std::int64_t next = m_layout.ScrollTarget(request, trackLine);
    if (next == m_layout.ScrollPosition()) {
        return;
    }
    m_layout = m_layout.WithTopLine(next, m_rebuildPageLines);
    m_scrolled = true;
    // The caret keeps its row and column over the lines now in view.
    Put(Normalized(caret));
}
