#pragma once
// CHexView: the hexadecimal data pane (receive and send panes of the main
// window). It owns a byte buffer and shows it as a virtual dump of 16 bytes
// per 77-character line over the framework's text control.

#include <cstdint>

#include "framework/RichEditCtrl.h"
#include "panes/ByteBuffer.h"

class CHexView : public CRichEditCtrl {
public:
    CHexView();
    ~CHexView() override;

    void InitView();
    void SetData(std::int64_t nCount, const BYTE* pData);
    void ResizeData(std::int64_t nCount);
    void AppendData(std::int64_t nCount, const BYTE* pData);

    // The buffer and its length, read by the owner (send, receive count, save).
    ByteBuffer m_data;
    std::int64_t m_nLength = 0;
};
