#include "telnet/TelnetEdit.h"

#include "framework/AsyncSocket.h"
#include "framework/Prompts.h"

namespace {

constexpr std::string_view kConnectionClosed = "Connection closed\r\n";

}  // namespace

CTelnetEdit::CTelnetEdit() : m_protocol(*this), m_keyboard(*this) {}

CTelnetEdit::~CTelnetEdit() = default;

const MessageMap* CTelnetEdit::GetMessageMap() const {
    static constexpr MessageMapEntry kEntries[] = {
        OnKeyMessage<&CTelnetEdit::OnChar>(WM_CHAR),
        OnKeyMessage<&CTelnetEdit::OnKeyDown>(WM_KEYDOWN),
        OnMouseMessage<&CTelnetEdit::OnLButtonDown>(WM_LBUTTONDOWN),
        OnMouseMessage<&CTelnetEdit::OnLButtonUp>(WM_LBUTTONUP),
        OnMouseMessage<&CTelnetEdit::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

void CTelnetEdit::SetConnection(CAsyncSocket* pSocket, int nRemotePort) {
    m_pSocket = pSocket;
    m_nRemotePort = nRemotePort;
}

void CTelnetEdit::StartProtocol() {
    m_protocol.StartProtocol(m_nRemotePort);
}

void CTelnetEdit::ProcessReceive(CAsyncSocket* pSocket, int) {
    // The error code says nothing the read itself does not: a failed or
    // empty read shows nothing, and the scroll-back check runs all the same.
    int received = pSocket ? pSocket->Receive(m_receiveBuffer.data(), telnet::kMaxRead, 0) : 0;
    if (received < 0) received = 0;
    m_protocol.ProcessReceived({m_receiveBuffer.data(), static_cast<std::size_t>(received)});
    CutScrollBack();
}

void CTelnetEdit::ShowConnectionClosed(CAsyncSocket*, int) {
    ReplaceSel(kConnectionClosed, false);
    SetReadOnly(true);
}

void CTelnetEdit::CutScrollBack() {
    int selStart = 0;
    int caret = 0;
    GetSel(selStart, caret);
    const int lines = GetLineCount();
    if (lines <= telnet::kScrollBackMaxLines) return;
    const int length = GetWindowTextLength();
    const std::optional<ScrollBackCut> cut = PlanScrollBackCut(lines, length, caret);
    if (!cut) return;
    SetSel(0, cut->cutLength);
    Clear();
    SetSel(cut->caretAfter, cut->caretAfter);
}

// ---- The protocol core's effects ----

void CTelnetEdit::Send(const std::uint8_t* data, std::size_t length) {
    // Every send of the engine is one call whose result is not looked at.
    if (m_pSocket) m_pSocket->Send(data, static_cast<int>(length), 0);
}

void CTelnetEdit::InsertText(std::string_view text) {
    ReplaceSel(text, false);
}

void CTelnetEdit::EraseBeforeCaret() {
    int selStart = 0;
    int caret = 0;
    GetSel(selStart, caret);
    // At the start of the text this selects nothing (a negative start only
    // removes the selection), so nothing is deleted.
    SetSel(caret - 1, caret);
    Clear();
}

void CTelnetEdit::Beep() {
    MessageBeep(MB_ICONASTERISK);
}

// ---- Messages ----

void CTelnetEdit::OnChar(UINT nChar, UINT, UINT) {
    m_keyboard.TypeChar(nChar);
}

// No caret movement, no Delete, no selection by keyboard: the screen shows
// only what the engine puts there.
void CTelnetEdit::OnKeyDown(UINT, UINT, UINT) {}

void CTelnetEdit::OnLButtonDown(UINT, CPoint) {
    SetFocus();
}

void CTelnetEdit::OnLButtonUp(UINT, CPoint) {
    SetFocus();
}

void CTelnetEdit::OnLButtonDblClk(UINT, CPoint) {
    SetFocus();
}
