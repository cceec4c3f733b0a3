#pragma once
// CLinkDlg: the main window. Its shell (initialisation, field exchange,
// system commands, key pre-translation, exit) is in LinkDlg.cpp, the
// connection manager in LinkDlgConnection.cpp, the receive and send paths in
// LinkDlgReceive.cpp and LinkDlgSend.cpp, the buffer commands in
// LinkDlgBuffers.cpp and the Telnet command in LinkDlgTelnet.cpp. The
// connection manager's rules (controls, texts and state changes) are the
// tables of net/ConnectionTables.h. Its state and controls are its own:
// others reach the controls by id, and tests read the rest through
// LinkDlgProbe.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/EventLoop.h"
#include "framework/Font.h"
#include "framework/HostLookup.h"
#include "net/ConnectionState.h"
#include "net/ConnectionTables.h"
#include "net/LinkSocket.h"
#include "net/ReceiveErrorReports.h"
#include "net/SendQueue.h"
#include "panes/HexView.h"
#include "telnet/TelnetDlg.h"

class CLinkDlg : public CDialog, public CLinkSocketOwner {
public:
    explicit CLinkDlg(CWnd* pParent = nullptr);
    ~CLinkDlg() override;

    // Replaces the whole status line.
    void SetStatusText(const std::string& text);
    // Shows the receive pane's byte count, written back with the other
    // fields' stored values.
    void ShowReceiveCount(std::int64_t nCount);
    // The SEND presses whose bytes the system has not taken yet.
    [[nodiscard]] const CSendQueue& PendingSend() const { return m_sendQueue; }

    // Bytes of SEND presses not yet handed to the system: the TCP presses
    // still queued, and UDP presses waiting for their address.
    [[nodiscard]] std::int64_t BytesNotYetSent() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool PreTranslateMessage(MSG* pMsg) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    [[nodiscard]] const MessageMap* GetMessageMap() const override;

    // Message handlers (the message map lists them).
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnButtonSend();
    void OnButtonConnect();
    void OnButtonClose();
    void OnButtonTelnet();
    void OnButtonClear();
    void OnButtonResize();
    void OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult);
    void OnButtonLoad();
    void OnButtonSaveSend();
    void OnButtonSaveRecv();
    void OnSetfocusRecv();
    void OnButtonExit();
    void OnSelchangeMode();

private:
    // Reads what no control shows, for tests and benchmarks.
    friend class LinkDlgProbe;

    // Socket notifications, forwarded by the endpoints.
    void OnSocketConnect(CLinkSocket* pSocket, int nErrorCode) override;
    void OnSocketAccept(CLinkSocket* pSocket, int nErrorCode) override;
    void OnSocketReceive(CLinkSocket* pSocket, int nErrorCode) override;
    void OnSocketClose(CLinkSocket* pSocket, int nErrorCode) override;
    // The data endpoint can take the rest of a partial send.
    void OnSocketSend(CLinkSocket* pSocket, int nErrorCode) override;

    // Sets buttons, fields and the status line from m_nState and the mode.
    void UpdateConnectionUi();
    // The system's text for the error (none for 0) and, when a connection
    // ended with bytes of earlier SENDs still waiting, how many were not
    // sent: one message box, nothing when there is nothing to say.
    void ReportSocketError(int nError, std::int64_t nUnsent = 0);
    // A received block could not be stored: the capture stays whole, the
    // connection ends, and the user is told once.
    void StopReceivingForMemory();

    // Connection manager steps.
    // Takes and checks the fields that a connection in `mode` uses, and the
    // mode; false (after the field's message) when one of them is invalid.
    bool TakeConnectionFields(ConnectionMode mode);
    // False, after telling the user, when REMOTE IP is empty.
    bool HasRemoteAddress();
    // CONNECT in TcpClient and Udp mode, and TELNET: the connection to REMOTE
    // IP, opened at once for dotted text, else once the name has been looked
    // up (Connecting meanwhile, which CLOSE abandons). False when refused.
    bool OpenRemote(ConnectionMode mode);
    void OnRemoteResolved(ConnectionMode mode, int nErrorCode, std::uint32_t nAddress);
    void OpenRemoteAt(ConnectionMode mode, std::uint32_t nAddress);
    void OpenUdp(std::uint32_t nAddress);
    void OpenListener();
    void ApplyKeepAlive(CLinkSocket& socket);
    // The TCP client connect of CONNECT and TELNET on the data endpoint:
    // Connecting, or Idle (reported, m_bTelnetActive cleared) when the
    // attempt fails at once.
    void StartConnect(std::uint32_t nAddress, bool bKeepAlive);
    // A TCP connect that failed, at once or in its notification: the data
    // endpoint closed, the Telnet session given up, Idle, and `nError`
    // reported. The controls are left for the caller to update.
    void FailConnect(int nError);
    // A multicast endpoint joined to the group (network order).
    void OpenMulticast(std::uint32_t nGroup);
    // Closes the data endpoint, abandons a lookup and drops whatever waits to
    // be sent; returns how many bytes that was.
    std::int64_t CloseDataSocket();
    // The end of the data connection after a failed send or the peer's
    // close (`event`): closed, and the state and controls showing what stays
    // open (the server's listener keeps listening). Returns the bytes left
    // unsent.
    std::int64_t EndDataConnection(ConnectionEvent event);
    // m_nState after `event`, in the mode the combo box shows.
    void Transition(ConnectionEvent event);
    // Queues a press's bytes on the data endpoint and, if nothing was
    // waiting before them, makes the press's one send call; whatever the
    // system does not take at once goes from OnSocketSend. False after a
    // real socket error.
    bool SendPayload(ByteSnapshot payload);
    // One send call of the queue's front bytes; asks for OnSocketSend while
    // bytes remain. False after a real socket error.
    bool SendQueued();

    // SEND in Udp mode: one datagram of the press's bytes, sent at once to a
    // dotted address, else when the name's lookup answers.
    void SendDatagram(ByteSnapshot payload);
    bool SendDatagramTo(const ByteSnapshot& payload, std::uint32_t nAddress);
    void OnDatagramAddressResolved(int nErrorCode, std::uint32_t nAddress);
    // Ends the connection after a send call failed with `nError`.
    void FailSend(int nError);

    // A failed read, reported from the event loop (see ReceiveErrorReports.h).
    void QueueReceiveError(int nError);
    void ShowReceiveErrors();

    // The buffer commands' shared file dialog; the chosen path, or
    // std::nullopt when the user cancels.
    std::optional<std::string> RunFileDialog(bool bSave);
    // Writes a pane's bytes to the file at path, telling the user what
    // went wrong or was canceled.
    void SavePane(const CHexView& pane, const std::string& path);

    // Controls, in declaration order.
    CComboBox m_comboMode;
    CButton m_checkKeepAlive;
    CEdit m_editRemoteIP;
    CHexView m_sendView;
    CButton m_buttonSaveRecv;
    CSpinButtonCtrl m_spinDataLength;
    CEdit m_editStatus;
    CHexView m_recvView;
    CButton m_buttonTelnet;
    CButton m_buttonSaveSend;
    CButton m_buttonLoad;
    CButton m_buttonSend;
    CButton m_buttonClear;
    CButton m_buttonExit;
    CButton m_buttonConnect;
    CButton m_buttonClose;

    // Values exchanged with the fields.
    UINT m_nRemotePort = 1470;
    UINT m_nDataLength = 36;
    std::string m_strRemoteIP = "10.1.0.1";
    std::string m_strRecvCount;
    UINT m_nLocalPort = 1470;
    int m_nMode = -1;

    int m_nState = Idle;
    bool m_bTelnetActive = false;
    CLinkSocket m_dataSocket;
    CLinkSocket m_listenSocket;
    CTelnetDlg m_telnetDlg;

    HICON m_hIcon = nullptr;
    std::string m_strTitle;
    std::unique_ptr<CFont> m_pFontKorean;
    std::unique_ptr<CFont> m_pFontDefault;

    // Bytes of TCP SEND presses that the system has not taken yet.
    CSendQueue m_sendQueue;

    // The remote name being looked up, for CONNECT, TELNET or UDP SEND.
    CHostLookup m_hostLookup;
    // UDP presses waiting for that lookup, in press order.
    std::deque<ByteSnapshot> m_waitingDatagrams;
    CReceiveErrorReports m_receiveErrors;
    CPostedCalls m_postedCalls;
};
