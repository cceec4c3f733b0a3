#pragma once
// CLinkSocket: the program's socket endpoint. It hands every notification,
// with its error code, to the main window that owns it.

#include "framework/AsyncSocket.h"

class CLinkDlg;

class CLinkSocket : public CAsyncSocket {
public:
    CLinkSocket() = default;
    ~CLinkSocket() override = default;

    // The window that receives the notifications; set before the endpoint opens.
    CLinkDlg* m_pOwner = nullptr;

protected:
    void OnReceive(int nErrorCode) override;
    void OnSend(int nErrorCode) override;
    void OnAccept(int nErrorCode) override;
    void OnConnect(int nErrorCode) override;
    void OnClose(int nErrorCode) override;
};
