#pragma once
// A main window whose panes the hex pane tests drive: the send pane holds
// the start-up bytes, the receive pane is empty. Helpers read the view back
// from the text control and give input the way the control receives it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "panes/HexLine.h"
#include "panes/HexView.h"
#include "testkit/MainWindow.h"

namespace hexpane {

using Bytes = std::vector<std::uint8_t>;

inline constexpr long kRow = hexline::kLineChars;

// The send pane's bytes at start-up.
inline const std::string kInitial = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Varied bytes, every value showing up at varied offsets.
inline Bytes Pattern(std::int64_t count, int seed = 1) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 37 + (i >> 4) + static_cast<std::size_t>(seed));
    }
    return bytes;
}

inline Bytes Contents(const CHexView& pane) {
    return pane.m_data.ToVector();
}

// Display row r of the control, as EM_GETLINE gives it.
inline std::string Row(const CHexView& pane, int r) {
    char line[hexline::kLineChars];
    return {line, static_cast<std::size_t>(pane.GetLine(r, line, hexline::kLineChars))};
}

// Dump line k of the pane's buffer, as the view must show it.
inline std::string DumpLine(const CHexView& pane, std::int64_t k) {
    char line[hexline::kLineChars];
    return {line, static_cast<std::size_t>(hexline::FormatDumpLine(pane.m_data, k, line))};
}

// The text the view must hold: the lines from the top line on, one more
// than a page at most.
inline std::string ExpectedView(const CHexView& pane) {
    std::string text;
    const std::int64_t last =
        std::min(pane.GetLineCount() - 1, pane.GetTopLine() + pane.GetPageLines());
    for (std::int64_t k = pane.GetTopLine(); k <= last; ++k) text += DumpLine(pane, k);
    return text;
}

struct Caret {
    long row;
    long column;
    bool operator==(const Caret&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Caret& caret) {
    return out << "(row " << caret.row << ", column " << caret.column << ")";
}

inline long Selection(const CHexView& pane) {
    long start = 0;
    long end = 0;
    pane.GetSel(start, end);
    return start;
}

inline Caret CaretOf(const CHexView& pane) {
    const long p = Selection(pane);
    return {p / kRow, p % kRow};
}

inline void PutCaret(CHexView& pane, long row, long column) {
    pane.SetSel(row * kRow + column, row * kRow + column);
}

// A key-down of a dedicated cursor key (extended flag), as the control
// reports it: virtual key and scan code.
inline void CursorKey(CHexView& pane, UINT vk, UINT scanCode, bool extended = true) {
    const UINT flags = scanCode | (extended ? KF_EXTENDED : 0);
    pane.SendMessage(WM_KEYDOWN, vk, static_cast<LPARAM>((flags << 16) | 1u));
}

inline void Char(CHexView& pane, UINT c) {
    pane.SendMessage(WM_CHAR, c, 1);
}

// A left click on the cell at row, column of the control.
inline void ClickCell(CHexView& pane, long row, long column) {
    const CPoint at = pane.PosFromChar(row * kRow + column);
    SimulateClick(&pane, CPoint{at.x + 1, at.y + 1});
}

inline SCROLLINFO ScrollInfo(const CHexView& pane) {
    SCROLLINFO info;
    pane.GetScrollInfo(&info, SIF_ALL);
    return info;
}

// Scrolls with the scroll bar until `top` is the top line: the thumb
// reaches N - 1 - P, a line step N - P.
inline void ScrollTo(CHexView& pane, std::int64_t top) {
    const std::int64_t thumbMax = pane.GetLineCount() - 1 - pane.GetPageLines();
    pane.ScrollBarRequest(SB_THUMBPOSITION, static_cast<int>(std::min(top, thumbMax)));
    if (top > thumbMax) pane.ScrollBarRequest(SB_LINEDOWN);
}

inline void Fill(CHexView& pane, const Bytes& bytes) {
    pane.SetData(static_cast<std::int64_t>(bytes.size()), bytes.data());
}

// The cursor keys: virtual key and scan code.
struct CursorKeyCode {
    const char* name;
    UINT vk;
    UINT scanCode;
};
inline constexpr CursorKeyCode kUp{"Up", VK_UP, 0x48};
inline constexpr CursorKeyCode kPageUp{"PageUp", VK_PRIOR, 0x49};
inline constexpr CursorKeyCode kLeft{"Left", VK_LEFT, 0x4B};
inline constexpr CursorKeyCode kRight{"Right", VK_RIGHT, 0x4D};
inline constexpr CursorKeyCode kDown{"Down", VK_DOWN, 0x50};
inline constexpr CursorKeyCode kPageDown{"PageDown", VK_NEXT, 0x51};

inline void Press(CHexView& pane, const CursorKeyCode& key) {
    CursorKey(pane, key.vk, key.scanCode);
}

class HexPaneTest : public ::testing::Test {
protected:
    EnglishScope language;
    TestMainWindow w;
    CHexView& send = w.SendPane();
    CHexView& recv = w.RecvPane();
};

}  // namespace hexpane
