#pragma once
// CHexView: the hexadecimal data pane (receive and send panes of the main
// window). It owns a byte buffer and shows it as a virtual dump of 16 bytes
// per 77-character line over the framework's text control: the control
// only ever holds the lines in view (a page plus one line), and the pane
// runs the control's vertical scroll bar over the buffer's lines itself.
// Editing overwrites bytes in place, a nibble at a time in the hex columns
// or a byte at a time in the character column; the buffer changes length
// only through SetData, ResizeData and AppendData.
//
// The view's text is produced lazily: a rebuild only marks it stale, and
// the lines are formatted when the control next reads or paints its text.
// Everything observable (the text, the caret, the scroll bar) is exactly
// as if every rebuild had formatted the lines at once, while the receive
// path, which appends and rebuilds on every read, pays a few counters.
//
// Every count and index of bytes and lines is 64-bit. The scroll bar's
// 32-bit range holds line numbers up to 2^31 - 1 (32 GiB); past that it
// shows the line numbers divided by a power of two, and the pane maps its
// thumb back.
//
// The geometry and the caret rules are HexLayout and HexCaret, which need no
// window; the pane's handlers hand each input to them and carry out what
// they decide. View, owner operations and scrolling: HexView.cpp. Keys,
// typing and the mouse: HexViewEdit.cpp.

#include <cstdint>
#include <string>

#include "framework/RichEditCtrl.h"
#include "panes/ByteBuffer.h"
#include "panes/HexCaret.h"
#include "panes/HexLayout.h"
#include "panes/HexLine.h"

class CHexView : public CRichEditCtrl {
public:
    CHexView();
    ~CHexView() override;

    // Once, while the owner's window initialises: empty buffer, text limit
    // of 1024 lines, empty view with the scroll bar shown and disabled.
    void InitView();
    // The next four return false when there was no memory for the bytes;
    // the pane, its buffer and its view are then unchanged.
    //
    // The buffer becomes a copy of the first nCount bytes of pData; the
    // view shows the first line on the first row.
    bool SetData(std::int64_t nCount, const BYTE* pData);
    // As SetData, with bytes already in a buffer of their own, which the
    // pane takes over without a copy.
    void SetData(ByteBuffer&& data);
    // Keeps the first min(length, nCount) bytes and fills up to nCount with
    // 0x00; the view shows the first line on the first row.
    bool ResizeData(std::int64_t nCount);
    // Appends the first nCount bytes of pData (none for 0) and shows the
    // end of the buffer, the last line on the last row of the view.
    bool AppendData(std::int64_t nCount, const BYTE* pData);

    // The view's counters: dump lines in the buffer, the line on the first
    // row, and the lines of a page.
    [[nodiscard]] std::int64_t GetLineCount() const { return hexline::LineCount(m_nLength); }
    [[nodiscard]] std::int64_t GetTopLine() const { return m_nTopLine; }
    [[nodiscard]] std::int64_t GetPageLines() const { return m_nPageLines; }

    // The buffer and its length, read by the owner (send, receive count, save).
    ByteBuffer m_data;
    std::int64_t m_nLength = 0;

protected:
    [[nodiscard]] const MessageMap* GetMessageMap() const override;
    void RealizeText() override;

private:
    // View (HexView.cpp).
    // The view after the buffer was set or resized: the first line on the
    // first row.
    void ShowFromStart();
    int FormatLine(std::int64_t nLine, char* pOut) const;
    void RenderLines();
    void UpdateMetrics();
    // The lines of a page that the window's height holds now.
    [[nodiscard]] std::int64_t MeasuredPageLines() const;
    [[nodiscard]] HexLayout Layout() const;
    // The caret rules for one input, from where the caret stands now.
    [[nodiscard]] HexCaret CaretForInput() const;
    // Carries out what the caret rules decided for an input: the view
    // rebuilt where it scrolled to, the scroll bar, the caret.
    void Apply(const HexCaret& caret);
    void ScrollLines(UINT nRequest);

    // Editing (HexViewEdit.cpp).
    void UpdateCell(BYTE value, std::int64_t nViewIndex);
    void SetCaret(long nPos) { SetSel(nPos, nPos); }

    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnVScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);

    std::int64_t m_nTopLine = 0;
    std::int64_t m_nPageLines = 0;
    // Line numbers are shifted right by this before they go to the bar.
    int m_nScrollShift = 0;
    // Height of a page line: the display context's character height plus
    // its external leading (fixed for the control, read once).
    int m_nLineHeight = 16;
    bool m_bTextStale = false;
    std::string m_strLines;  // reused for every production of the view
};
