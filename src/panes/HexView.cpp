#include "panes/HexView.h"

CHexView::CHexView() = default;
CHexView::~CHexView() = default;

void CHexView::InitView() {
    LimitText(78848);
    m_data.Clear();
    m_nLength = 0;
    ShowScrollBar(true);
}

void CHexView::SetData(std::int64_t nCount, const BYTE* pData) {
    m_data.Assign(pData, nCount);
    m_nLength = m_data.Size();
}

void CHexView::ResizeData(std::int64_t nCount) {
    m_data.Resize(nCount);
    m_nLength = m_data.Size();
}

void CHexView::AppendData(std::int64_t nCount, const BYTE* pData) {
    m_data.Append(pData, nCount);
    m_nLength = m_data.Size();
}
