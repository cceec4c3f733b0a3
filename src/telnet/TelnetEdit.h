#pragma once
// CTelnetEdit: the Telnet terminal's screen and protocol engine, on the
// framework's multi-line edit control. The protocol rules live in
// CTelnetProtocol (receive side) and CTelnetKeyboard (send side); this class
// joins them to the control (insert at the caret, erase, scroll-back) and to
// the data endpoint, which it uses but never opens or closes.
//
// Key-downs are swallowed and mouse presses only take the focus, so nothing
// reaches the screen except through the engine: typed characters go to the
// send side, received text is inserted at the caret.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/Controls.h"
#include "telnet/TelnetProtocol.h"

class CAsyncSocket;

class CTelnetEdit : public CEdit, private CTelnetSink {
public:
    CTelnetEdit();
    ~CTelnetEdit() override;

    // The data endpoint (not owned) and the port the connection was made to.
    void SetConnection(CAsyncSocket* pSocket, int nRemotePort);
    [[nodiscard]] CAsyncSocket* GetSocket() const { return m_pSocket; }
    [[nodiscard]] int GetRemotePort() const { return m_nRemotePort; }

    // Begins the protocol for the connection: the opening requests on the
    // Telnet port, the parser back to plain text.
    void StartProtocol();
    // One receive event: reads once, up to 1024 bytes, and shows what it got.
    void ProcessReceive(CAsyncSocket* pSocket, int nErrorCode);
    // The peer has closed: says so at the caret and turns the screen read-only.
    void ShowConnectionClosed(CAsyncSocket* pSocket, int nErrorCode);

    void SetRxMode(RxMode mode) { m_protocol.SetRxMode(mode); }
    void SetTxMode(TxMode mode) { m_keyboard.SetTxMode(mode); }
    void SetLineMode(LineMode mode) { m_keyboard.SetLineMode(mode); }
    // Forgets a typed line that was not sent.
    void ResetLine() { m_keyboard.ClearLine(); }
    [[nodiscard]] RxMode GetRxMode() const { return m_protocol.GetRxMode(); }
    [[nodiscard]] TxMode GetTxMode() const { return m_keyboard.GetTxMode(); }
    [[nodiscard]] LineMode GetLineMode() const { return m_keyboard.GetLineMode(); }
    [[nodiscard]] std::size_t GetLineLength() const { return m_keyboard.GetLineLength(); }
    [[nodiscard]] const CTelnetProtocol& GetProtocol() const { return m_protocol; }

protected:
    [[nodiscard]] const MessageMap* GetMessageMap() const override;

    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);

private:
    // Where the protocol core's effects go.
    void Send(const std::uint8_t* data, std::size_t length) override;
    void InsertText(std::string_view text) override;
    void EraseBeforeCaret() override;
    void Beep() override;

    // Keeps the screen's text short: past the row limit, the oldest
    // characters go.
    void CutScrollBack();

    CAsyncSocket* m_pSocket = nullptr;
    // Negotiation record, command parser, RX mode and the display text.
    CTelnetProtocol m_protocol;
    // Line buffer and its length, TX mode and line mode.
    CTelnetKeyboard m_keyboard;
    int m_nRemotePort = 0;
    // One receive call's bytes; reused by every read.
    std::array<std::uint8_t, telnet::kMaxRead> m_receiveBuffer{};
};
