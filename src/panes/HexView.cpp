// The pane's view: the owner's operations, the lazy production of the lines
// in view, the page size and the scroll bar, and scrolling.

#include "panes/HexView.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "panes/HexLine.h"

namespace {

constexpr long kRow = hexline::kLineChars;
constexpr long kInitialTextLimit = 1024 * hexline::kLineChars;

// The smallest shift that brings the last line number within the 32-bit
// scroll bar.
int ScrollShiftFor(std::int64_t lastLine) {
    int shift = 0;
    while ((lastLine >> shift) > INT_MAX) ++shift;
    return shift;
}

}  // namespace

CHexView::CHexView() = default;
CHexView::~CHexView() = default;

const MessageMap* CHexView::GetMessageMap() const {
    static constexpr MessageMapEntry kEntries[] = {
        OnKeyMessage<&CHexView::OnKeyDown>(WM_KEYDOWN),
        OnKeyMessage<&CHexView::OnChar>(WM_CHAR),
        OnKeyMessage<&CHexView::OnKeyUp>(WM_KEYUP),
        OnMouseMessage<&CHexView::OnLButtonUp>(WM_LBUTTONUP),
        OnVScrollEntry<&CHexView::OnVScroll>(),
    };
    static constexpr MessageMap kMap{&CRichEditCtrl::GetThisMessageMap, kEntries};
    return &kMap;
}

void CHexView::InitView() {
    LimitText(kInitialTextLimit);
    const TEXTMETRIC metrics = GetTextMetrics();
    m_nLineHeight = std::max(1, metrics.tmHeight + metrics.tmExternalLeading);
    m_data.Clear();
    m_nLength = 0;
    m_nLineCount = 0;
    m_nTopLine = 0;
    UpdateMetrics();
    RenderLines();
}

bool CHexView::SetData(std::int64_t nCount, const BYTE* pData) {
    if (!m_data.Assign(pData, std::max<std::int64_t>(nCount, 0))) return false;
    ShowFromStart();
    return true;
}

void CHexView::SetData(ByteBuffer&& data) {
    m_data = std::move(data);
    ShowFromStart();
}

bool CHexView::ResizeData(std::int64_t nCount) {
    if (!m_data.Resize(std::max<std::int64_t>(nCount, 0))) return false;
    ShowFromStart();
    return true;
}

void CHexView::ShowFromStart() {
    m_nLength = m_data.Size();
    m_nTopLine = 0;
    m_nLineCount = hexline::LineCount(m_nLength);
    UpdateMetrics();
    RenderLines();
}

bool CHexView::AppendData(std::int64_t nCount, const BYTE* pData) {
    // The receive path's hot path: a copy into the buffer and a few
    // counters; the lines are formatted when they are next read or painted.
    if (nCount > 0 && !m_data.Append(pData, nCount)) return false;
    m_nLength = m_data.Size();
    m_nLineCount = hexline::LineCount(m_nLength);
    // Even an append of nothing brings a scrolled view back to the end.
    m_nTopLine = std::max<std::int64_t>(0, m_nLineCount - m_nPageLines - 1);
    UpdateMetrics();
    RenderLines();
    return true;
}

int CHexView::FormatLine(std::int64_t nLine, char* pOut) const {
    return hexline::FormatDumpLine(m_data, nLine, pOut);
}

void CHexView::UpdateMetrics() {
    // Page lines are measured with the display context's font, not the
    // pane's, so a page holds fewer lines than the rows that fit; the view
    // shows one more line than a page.
    m_nPageLines = GetOuterHeight() / m_nLineHeight;
    ShowScrollBar(true);
    const std::int64_t lastTop = std::max<std::int64_t>(0, m_nLineCount - m_nPageLines);
    m_nScrollPos = std::clamp<std::int64_t>(m_nTopLine, 0, lastTop);
    m_nScrollShift = ScrollShiftFor(m_nLineCount - 1);
    const int shift = m_nScrollShift;
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = static_cast<int>((m_nLineCount - 1) >> shift);
    const std::int64_t page = m_nPageLines >> shift;
    info.nPage = static_cast<UINT>(shift == 0 ? page : std::max<std::int64_t>(page, 1));
    info.nPos = static_cast<int>(m_nScrollPos >> shift);
    SetScrollInfo(info);
}

void CHexView::RenderLines() {
    m_bTextStale = true;
    MarkTextStale();
}

std::int64_t CHexView::LastRenderedLine() const {
    return std::min(m_nLineCount - 1, m_nPageLines + m_nScrollPos);
}

void CHexView::RealizeText() {
    if (!m_bTextStale) return;
    m_bTextStale = false;
    const std::int64_t first = std::max<std::int64_t>(m_nTopLine, 0);
    const std::int64_t last = LastRenderedLine();
    const std::int64_t lines = std::max<std::int64_t>(0, last - first + 1);
    m_strLines.resize(static_cast<std::size_t>(lines * kRow));
    char* out = m_strLines.data();
    for (std::int64_t line = first; line <= last; ++line) out += FormatLine(line, out);
    m_strLines.resize(static_cast<std::size_t>(out - m_strLines.data()));
    // The whole text is replaced in one operation; the caret ends after it.
    SetSel(0, -1);
    Clear();
    ReplaceSel(m_strLines);
}

long CHexView::NormalizedCaret(long nPos) const {
    if (m_nLineCount == 0) return nPos;
    std::int64_t row = nPos / kRow;
    int column = static_cast<int>(nPos % kRow);
    const std::int64_t lastRow = LastRenderedLine() - m_nTopLine;
    // A caret below the last rendered row moves up to it, keeping its column.
    row = std::min(row, lastRow);
    const hexline::Kind kind = hexline::ColumnKind(column);
    if (hexline::IsHexGroup(kind) || kind == hexline::Kind::Text) {
        const std::int64_t lineStart = (m_nTopLine + row) * hexline::kBytesPerLine;
        if (lineStart + hexline::ByteOfColumn(column) >= m_nLength) {
            // Past the line's last byte: onto that byte, in the same area.
            column = hexline::ColumnOfByte(kind, static_cast<int>(m_nLength - 1 - lineStart));
        }
    }
    return static_cast<long>(row * kRow + column);
}

void CHexView::ScrollLines(UINT nRequest) {
    SCROLLINFO info;
    GetScrollInfo(&info, SIF_ALL);
    long nStart = 0;
    long nEnd = 0;
    GetSel(nStart, nEnd);
    const std::int64_t top = m_nScrollPos;
    const std::int64_t n = m_nLineCount;
    const std::int64_t page = m_nPageLines;
    std::int64_t next = top;
    switch (nRequest) {
    case SB_LINEUP:
        if (top > 0) next = top - 1;
        break;
    case SB_LINEDOWN:
        if (top <= n - 1 - page) next = top + 1;
        break;
    case SB_PAGEUP:
        if (top > 0) next = std::max<std::int64_t>(0, top - page);
        break;
    case SB_PAGEDOWN:
        if (top < n - 1 - page) next = std::min(top + page, n - 1 - page);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The 32-bit tracking position, not the 16-bit one in the message.
        const std::int64_t track = static_cast<std::int64_t>(info.nTrackPos) << m_nScrollShift;
        next = std::max<std::int64_t>(0, std::min(track, n - 1 - page));
        break;
    }
    case SB_TOP:
        next = 0;
        break;
    case SB_BOTTOM:
        // The last line becomes the first row.
        next = std::max<std::int64_t>(0, n - 1);
        break;
    default:
        break;
    }
    // The bar keeps its position within its range; the view goes where the
    // request said (SB_BOTTOM shows the last line alone).
    m_nScrollPos = std::clamp<std::int64_t>(next, 0, std::max<std::int64_t>(0, n - page));
    SCROLLINFO position;
    position.fMask = SIF_POS;
    position.nPos = static_cast<int>(m_nScrollPos >> m_nScrollShift);
    SetScrollInfo(position);
    if (next == top) return;
    m_nTopLine = next;
    UpdateMetrics();
    RenderLines();
    // The caret keeps its row and column over the lines now in view.
    SetCaret(NormalizedCaret(nStart));
}

void CHexView::OnVScroll(UINT nSBCode, UINT, CWnd*) { ScrollLines(nSBCode); }
