#include "panes/HexLayout.h"

#include <algorithm>
#include <cassert>

using hexline::Kind;

HexLayout::HexLayout(std::int64_t length, std::int64_t topLine, std::int64_t pageLines) noexcept
    : m_length(std::max<std::int64_t>(length, 0)),
      m_lineCount(hexline::LineCount(m_length)),
      m_topLine(std::clamp<std::int64_t>(topLine, 0, std::max<std::int64_t>(m_lineCount - 1, 0))),
      m_pageLines(std::max<std::int64_t>(pageLines, 0)) {}

std::int64_t HexLayout::LastScrollPosition() const noexcept {
    return std::max<std::int64_t>(0, m_lineCount - m_pageLines);
}

std::int64_t HexLayout::ScrollPosition() const noexcept {
    return std::clamp<std::int64_t>(m_topLine, 0, LastScrollPosition());
}

std::int64_t HexLayout::LastRenderedLine() const noexcept {
    return std::min(m_lineCount - 1, m_pageLines + ScrollPosition());
}

std::int64_t HexLayout::RenderedLines() const noexcept {
    return std::max<std::int64_t>(0, LastRenderedLine() - m_topLine + 1);
}

long HexLayout::TextLength() const noexcept {
    return static_cast<long>(RenderedLines() * kRowChars);
}

std::int64_t HexLayout::EndTopLine() const noexcept {
    return std::max<std::int64_t>(0, m_lineCount - m_pageLines - 1);
}

std::int64_t HexLayout::ScrollTarget(HexScroll request, std::int64_t trackLine) const noexcept {
    const std::int64_t top = ScrollPosition();
    const std::int64_t n = m_lineCount;
    const std::int64_t page = m_pageLines;
    // The last top line that the line, page and thumb requests reach; below
    // 0 when every line fits, so that none of them moves the view down.
    const std::int64_t lastStep = n - 1 - page;
    switch (request) {
    case HexScroll::LineUp:
        return top > 0 ? top - 1 : top;
    case HexScroll::LineDown:
        return top <= lastStep ? top + 1 : top;
    case HexScroll::PageUp:
        return top > 0 ? std::max<std::int64_t>(0, top - page) : top;
    case HexScroll::PageDown:
        return top < lastStep ? std::min(top + page, lastStep) : top;
    case HexScroll::Thumb:
        return std::max<std::int64_t>(0, std::min(trackLine, lastStep));
    case HexScroll::Top:
        return 0;
    case HexScroll::Bottom:
        return std::max<std::int64_t>(0, n - 1);
    case HexScroll::None:
        break;
    }
    return top;
}

std::int64_t HexLayout::RowOf(long position) noexcept {
    assert(position >= 0);
    return position / kRowChars;
}

int HexLayout::ColumnOf(long position) noexcept {
    assert(position >= 0);
    return static_cast<int>(position % kRowChars);
}

HexColumn HexLayout::ClassOf(int column) noexcept {
    switch (hexline::ColumnKind(column)) {
    case Kind::Offset:
        return HexColumn::Offset;
    case Kind::FirstHexGroup:
    case Kind::SecondHexGroup: {
        // Each byte takes three columns from its group's first one: high
        // digit, low digit, space.
        const int group = column < hexline::kSecondGroupColumn ? hexline::kFirstHexColumn
                                                               : hexline::kSecondGroupColumn;
        switch ((column - group) % 3) {
        case 0:
            return HexColumn::HighDigit;
        case 1:
            return HexColumn::LowDigit;
        default:
            return HexColumn::DigitSpace;
        }
    }
    case Kind::GroupGap:
        return column < hexline::kSecondGroupColumn - 1 ? HexColumn::SpaceAfterByte7
                                                        : HexColumn::GroupGap;
    case Kind::Text:
        return HexColumn::Character;
    case Kind::Separator:
        break;
    }
    if (column < 0 || column >= kRowChars) {
        return HexColumn::Outside;
    }
    if (column < hexline::kFirstHexColumn) {
        return HexColumn::OffsetBar;
    }
    if (column < hexline::kFirstTextColumn - 1) {
        return HexColumn::SpaceAfterByte15;
    }
    return column < hexline::kFirstTextColumn ? HexColumn::TextBar : HexColumn::FinalSpace;
}

int HexLayout::FirstColumnOfArea(Kind kind) noexcept {
    return kind == Kind::Text ? hexline::kFirstTextColumn : hexline::kFirstHexColumn;
}

int HexLayout::LastColumnOfArea(Kind kind) noexcept {
    return kind == Kind::Text ? hexline::kLastTextColumn : hexline::kLastHexColumn;
}

std::int64_t HexLayout::RowStart(std::int64_t row) const noexcept {
    return (m_topLine + row) * kBytesPerRow;
}

std::int64_t HexLayout::ByteIndexAt(long position) const noexcept {
    return RowStart(RowOf(position)) + hexline::ByteOfColumn(ColumnOf(position));
}

std::int64_t HexLayout::ViewIndexAt(long position) const noexcept {
    return RowOf(position) * kBytesPerRow + hexline::ByteOfColumn(ColumnOf(position));
}

bool HexLayout::IsDataPosition(long position) const noexcept {
    return position >= 0 && RowOf(position) <= LastRenderedRow() &&
           IsByteColumn(ClassOf(ColumnOf(position))) && HasByte(ByteIndexAt(position));
}

long HexLayout::DigitsPosition(std::int64_t viewIndex) noexcept {
    assert(viewIndex >= 0);
    return PositionOf(viewIndex / kBytesPerRow,
                      HighDigitColumn(static_cast<int>(viewIndex % kBytesPerRow)));
}

long HexLayout::CharacterPosition(std::int64_t viewIndex) noexcept {
    assert(viewIndex >= 0);
    return PositionOf(viewIndex / kBytesPerRow,
                      CharacterColumn(static_cast<int>(viewIndex % kBytesPerRow)));
}
