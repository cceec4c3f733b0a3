// The pane's view: the owner's operations, the lazy production of the lines
// in view, the page size and the scroll bar, and scrolling.

#include "panes/HexView.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "panes/HexLine.h"

namespace {

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
    UpdateMetrics();
    RenderLines();
}

bool CHexView::AppendData(std::int64_t nCount, const BYTE* pData) {
    // The receive path's hot path: a copy into the buffer and a few
    // counters; the lines are formatted when they are next read or painted.
    if (nCount > 0 && !m_data.Append(pData, nCount)) return false;
    m_nLength = m_data.Size();
    // Even an append of nothing brings a scrolled view back to the end.
    m_nTopLine = Layout().EndTopLine();
    UpdateMetrics();
    RenderLines();
    return true;
}

int CHexView::FormatLine(std::int64_t nLine, char* pOut) const {
    return hexline::FormatDumpLine(m_data, nLine, pOut);
}

HexLayout CHexView::Layout() const {
    return {m_nLength, m_nTopLine, m_nPageLines};
}

std::int64_t CHexView::MeasuredPageLines() const {
    // Page lines are measured with the display context's font, not the
    // pane's, so a page holds fewer lines than the rows that fit; the view
    // shows one more line than a page.
    return GetOuterHeight() / m_nLineHeight;
}

void CHexView::UpdateMetrics() {
    m_nPageLines = MeasuredPageLines();
    ShowScrollBar(true);
    const std::int64_t lastLine = GetLineCount() - 1;
    m_nScrollShift = ScrollShiftFor(lastLine);
    const int shift = m_nScrollShift;
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = static_cast<int>(lastLine >> shift);
    const std::int64_t page = m_nPageLines >> shift;
    info.nPage = static_cast<UINT>(shift == 0 ? page : std::max<std::int64_t>(page, 1));
    info.nPos = static_cast<int>(Layout().ScrollPosition() >> shift);
    SetScrollInfo(info);
}

void CHexView::RenderLines() {
    m_bTextStale = true;
    MarkTextStale();
}

void CHexView::RealizeText() {
    if (!m_bTextStale) return;
    m_bTextStale = false;
    const HexLayout layout = Layout();
    const std::int64_t first = layout.TopLine();
    const std::int64_t last = layout.LastRenderedLine();
    m_strLines.resize(static_cast<std::size_t>(layout.TextLength()));
    char* out = m_strLines.data();
    for (std::int64_t line = first; line <= last; ++line) out += FormatLine(line, out);
    m_strLines.resize(static_cast<std::size_t>(out - m_strLines.data()));
    // The whole text is replaced in one operation; the caret ends after it.
    SetSel(0, -1);
    Clear();
    ReplaceSel(m_strLines);
}

HexCaret CHexView::CaretForInput() const {
    long nStart = 0;
    long nEnd = 0;
    GetSel(nStart, nEnd);
    return {Layout(), nStart, MeasuredPageLines()};
}

void CHexView::Apply(const HexCaret& caret) {
    if (caret.Scrolled()) {
        m_nTopLine = caret.Layout().TopLine();
        UpdateMetrics();
        RenderLines();
    } else if (caret.ScrollRequested()) {
        // The bar keeps its position, also where it was dragged elsewhere.
        SCROLLINFO position;
        position.fMask = SIF_POS;
        position.nPos = static_cast<int>(Layout().ScrollPosition() >> m_nScrollShift);
        SetScrollInfo(position);
    }
    if (caret.Placed()) SetCaret(caret.Position());
}

void CHexView::ScrollLines(UINT nRequest) {
    SCROLLINFO info;
    GetScrollInfo(&info, SIF_ALL);
    HexScroll request = HexScroll::None;
    switch (nRequest) {
    case SB_LINEUP:
        request = HexScroll::LineUp;
        break;
    case SB_LINEDOWN:
        request = HexScroll::LineDown;
        break;
    case SB_PAGEUP:
        request = HexScroll::PageUp;
        break;
    case SB_PAGEDOWN:
        request = HexScroll::PageDown;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        request = HexScroll::Thumb;
        break;
    case SB_TOP:
        request = HexScroll::Top;
        break;
    case SB_BOTTOM:
        request = HexScroll::Bottom;
        break;
    default:
        break;
    }
    HexCaret caret = CaretForInput();
    // The 32-bit tracking position, not the 16-bit one in the message.
    caret.Scroll(request, static_cast<std::int64_t>(info.nTrackPos) << m_nScrollShift);
    Apply(caret);
}

void CHexView::OnVScroll(UINT nSBCode, UINT, CWnd*) {
    ScrollLines(nSBCode);
}
