// The pane's editing: the cursor keys, typing in hex and in the character
// column, Tab, Backspace, and where a click puts the caret.
//
// The caret works on data positions: the high digit, the low digit or the
// character cell of a byte that exists. It can stand elsewhere after the
// owner replaces the view (at the end of the text) or when the pane is
// reached with the keyboard (the whole text selected, its start on the
// first offset). From there, a cursor key or a character that applies
// first brings the caret onto the data position that a click at that
// place would choose (SnapToData) and then acts as it would there; a
// character that cannot apply leaves the caret alone. So typing always
// edits a byte that exists, and the caret shows which.

#include <algorithm>

#include "framework/Prompts.h"
#include "panes/HexLine.h"
#include "panes/HexView.h"

namespace {

using hexline::Kind;

constexpr long kRow = hexline::kLineChars;
constexpr int kBytes = hexline::kBytesPerLine;

// Scan codes of the dedicated cursor keys (those with the extended flag).
constexpr UINT kScanUp = 0x48;
constexpr UINT kScanPageUp = 0x49;
constexpr UINT kScanLeft = 0x4B;
constexpr UINT kScanRight = 0x4D;
constexpr UINT kScanDown = 0x50;
constexpr UINT kScanPageDown = 0x51;

constexpr UINT kBackspace = 8;
constexpr UINT kTab = 9;
constexpr UINT kEnter = 13;

// Which part of a byte's hex cell a column of a hex group is.
enum class Digit { High, Low, Space };

Digit DigitAt(int column) {
    const int base = column < 35 ? hexline::kFirstHexColumn : 35;
    switch ((column - base) % 3) {
    case 0:
        return Digit::High;
    case 1:
        return Digit::Low;
    default:
        return Digit::Space;
    }
}

// Where a click on a column puts the caret before the byte's existence is
// checked: onto a digit or character cell of the same line.
int SnapColumn(int column) {
    if (column <= 9) return hexline::kFirstHexColumn;  // offset and "| "
    if (column == 33) return 31;                        // after byte 7: its high digit
    if (column == 34) return 35;                        // group gap: byte 8
    if (column == 58) return 56;                        // after byte 15: its high digit
    if (column == 59 || column == 76) return hexline::kFirstTextColumn;
    const Kind kind = hexline::ColumnKind(column);
    if (hexline::IsHexGroup(kind) && DigitAt(column) == Digit::Space) return column - 1;
    return column;
}

int HexDigitValue(UINT c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

}  // namespace

long CHexView::SnapToData(long nPos) const {
    if (m_nLength <= 0) return 0;
    // A row below the last rendered one: up to it, keeping the column.
    const std::int64_t row =
        std::min<std::int64_t>(std::max(0L, nPos) / kRow, LastRenderedLine() - m_nTopLine);
    const int clicked = static_cast<int>(std::max(0L, nPos) % kRow);
    int column = SnapColumn(clicked);
    const std::int64_t lineStart = (m_nTopLine + row) * kBytes;
    if (lineStart + hexline::ByteOfColumn(column) >= m_nLength) {
        // No byte there: the line's last byte, in the area of the column
        // clicked (the first byte's high digit after the gaps between areas).
        const int last = static_cast<int>(m_nLength - 1 - lineStart);
        column = hexline::ColumnOfByte(hexline::ColumnKind(clicked), last);
    }
    return static_cast<long>(row * kRow + column);
}

long CHexView::CaretOnData() {
    long nStart = 0;
    long nEnd = 0;
    GetSel(nStart, nEnd);
    const long p = SnapToData(nStart);
    if (p != nStart) SetCaret(p);
    return p;
}

void CHexView::UpdateCell(BYTE value, std::int64_t nViewIndex) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const long row = static_cast<long>(nViewIndex / kBytes);
    const int k = static_cast<int>(nViewIndex % kBytes);
    const long hexAt = row * kRow + hexline::ColumnOfByte(Kind::FirstHexGroup, k);
    const char hex[2] = {kDigits[value >> 4], kDigits[value & 15]};
    SetSel(hexAt, hexAt + 2);
    ReplaceSel({hex, 2});
    const long cellAt = row * kRow + hexline::kFirstTextColumn + k;
    const char cell = hexline::CharCell(value);
    SetSel(cellAt, cellAt + 1);
    ReplaceSel({&cell, 1});
}

void CHexView::MoveLeft(long nPos) {
    const long row = nPos / kRow;
    const int column = static_cast<int>(nPos % kRow);
    const Kind kind = hexline::ColumnKind(column);
    const int k = hexline::ByteOfColumn(column);
    if (hexline::IsHexGroup(kind)) {
        if (DigitAt(column) == Digit::Low) {
            SetCaret(nPos - 1);
            return;
        }
        if (k >= 1) {
            SetCaret(row * kRow + hexline::ColumnOfByte(kind, k - 1) + 1);
            return;
        }
    } else if (kind == Kind::Text) {
        if (k >= 1) {
            SetCaret(nPos - 1);
            return;
        }
    } else {
        return;
    }
    // The first position of a row: to the last one of the same area above.
    const int lastColumn = kind == Kind::Text ? hexline::kLastTextColumn : hexline::kLastHexColumn;
    if (row > 0) {
        SetCaret((row - 1) * kRow + lastColumn);
    } else if (m_nTopLine > 0) {
        const std::int64_t before = m_nTopLine;
        ScrollLines(SB_LINEUP);
        if (m_nTopLine != before) SetCaret(lastColumn);
    }
}

void CHexView::MoveRight(long nPos) {
    const long row = nPos / kRow;
    const int column = static_cast<int>(nPos % kRow);
    const Kind kind = hexline::ColumnKind(column);
    const int k = hexline::ByteOfColumn(column);
    const std::int64_t lineStart = (m_nTopLine + row) * kBytes;
    if (hexline::IsHexGroup(kind)) {
        if (DigitAt(column) == Digit::High) {
            SetCaret(nPos + 1);
            return;
        }
        if (k <= 14) {
            if (lineStart + k + 1 < m_nLength) {
                SetCaret(row * kRow + hexline::ColumnOfByte(kind, k + 1));
            }
            return;
        }
    } else if (kind == Kind::Text) {
        if (k <= 14) {
            if (lineStart + k + 1 < m_nLength) SetCaret(nPos + 1);
            return;
        }
    } else {
        return;
    }
    // The last position of a row: on to the next line, if there is one.
    if (m_nTopLine + row + 1 > m_nLineCount - 1) return;
    const int firstColumn =
        kind == Kind::Text ? hexline::kFirstTextColumn : hexline::kFirstHexColumn;
    if (row < m_nPageLines - 1) {
        SetCaret((row + 1) * kRow + firstColumn);
        return;
    }
    const std::int64_t before = m_nTopLine;
    ScrollLines(SB_LINEDOWN);
    if (m_nTopLine != before) SetCaret(row * kRow + firstColumn);
}

void CHexView::OnKeyDown(UINT, UINT, UINT nFlags) {
    // Only the dedicated cursor keys, told apart by scan code: the keypad's
    // arrows (no extended flag), Home, End, Delete and shortcuts do nothing.
    if (!(nFlags & KF_EXTENDED)) return;
    const UINT scan = nFlags & 0xFF;
    switch (scan) {
    case kScanUp:
    case kScanPageUp:
    case kScanLeft:
    case kScanRight:
    case kScanDown:
    case kScanPageDown:
        break;
    default:
        return;
    }
    if (m_nLength == 0) return;
    const long p = CaretOnData();
    const long row = p / kRow;
    const int column = static_cast<int>(p % kRow);
    switch (scan) {
    case kScanUp:
        if (row > 0) {
            SetCaret(p - kRow);
        } else {
            ScrollLines(SB_LINEUP);
            SetCaret(p);
        }
        break;
    case kScanPageUp:
        ScrollLines(SB_PAGEUP);
        SetCaret(p);
        break;
    case kScanLeft:
        MoveLeft(p);
        break;
    case kScanRight:
        MoveRight(p);
        break;
    case kScanDown:
        if (row < m_nPageLines - 1) {
            const std::int64_t below =
                (m_nTopLine + row + 1) * kBytes + hexline::ByteOfColumn(column);
            if (below < m_nLength) SetCaret(p + kRow);
        } else {
            ScrollLines(SB_LINEDOWN);
        }
        break;
    case kScanPageDown:
        ScrollLines(SB_PAGEDOWN);
        break;
    default:
        break;
    }
}

void CHexView::OnChar(UINT nChar, UINT, UINT) {
    if (m_nLength == 0 || nChar == kEnter) return;
    long nStart = 0;
    long nEnd = 0;
    GetSel(nStart, nEnd);
    // Where the character acts; the caret only goes there if it does.
    const long p = SnapToData(nStart);
    const long row = p / kRow;
    const int column = static_cast<int>(p % kRow);
    const Kind kind = hexline::ColumnKind(column);
    if (nChar == kBackspace) {
        if (p != nStart) SetCaret(p);
        MoveLeft(p);
        return;
    }
    if (nChar == kTab) {
        // Between the byte's two representations on the same row.
        const int k = hexline::ByteOfColumn(column);
        const int other = kind == Kind::Text ? hexline::ColumnOfByte(Kind::FirstHexGroup, k)
                                             : hexline::kFirstTextColumn + k;
        SetCaret(row * kRow + other);
        return;
    }
    const std::int64_t viewIndex = row * kBytes + hexline::ByteOfColumn(column);
    const std::int64_t index = m_nTopLine * kBytes + viewIndex;
    if (index < 0 || index >= m_nLength) return;
    BYTE value = 0;
    if (kind == Kind::Text) {
        if (nChar >= 128) return;
        value = static_cast<BYTE>(nChar);
    } else if (hexline::IsHexGroup(kind)) {
        const int digit = HexDigitValue(nChar);
        if (digit < 0) return;
        // The typed digit replaces the one under the caret; the byte's
        // other digit stays (the row shows the buffer, so this is the row's
        // two digits read back with the new one in place).
        const BYTE old = m_data.At(index);
        value = DigitAt(column) == Digit::High ? static_cast<BYTE>((digit << 4) | (old & 0x0F))
                                               : static_cast<BYTE>((old & 0xF0) | digit);
    } else {
        return;
    }
    if (!m_data.Set(index, value)) {
        // The byte's chunk still goes out with an earlier SEND and there is
        // no memory for a copy of it: the keystroke cannot apply.
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    UpdateCell(value, viewIndex);
    SetCaret(p);
    MoveRight(p);
}

void CHexView::OnKeyUp(UINT, UINT, UINT) {}

void CHexView::OnLButtonUp(UINT, CPoint) {
    // The control first places the caret (or ends a drag), then the caret
    // snaps onto a data position and any selection collapses onto it.
    Default();
    long nStart = 0;
    long nEnd = 0;
    GetSel(nStart, nEnd);
    SetCaret(SnapToData(nStart));
}
