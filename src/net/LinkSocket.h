#pragma once
// CLinkSocket: the program's socket endpoint. It hands every notification,
// with its error code and itself, to its owner through CLinkSocketOwner, so
// that the endpoint knows nothing of the window that owns it.

#include "framework/AsyncSocket.h"

class CLinkSocket;

// What an endpoint tells its owner. Each call names the endpoint that raised
// the event, so that the owner accepts from the endpoint that has a peer
// waiting and reads from the one that has bytes.
class CLinkSocketOwner {
public:
    virtual void OnSocketConnect(CLinkSocket* pSocket, int nErrorCode) = 0;
    virtual void OnSocketAccept(CLinkSocket* pSocket, int nErrorCode) = 0;
    virtual void OnSocketReceive(CLinkSocket* pSocket, int nErrorCode) = 0;
    // The endpoint can take more bytes (after RequestWriteNotification).
    virtual void OnSocketSend(CLinkSocket* pSocket, int nErrorCode) = 0;
    // The endpoint is still open during the call and closed after it, unless
    // the owner closed (and perhaps reopened) it itself.
    virtual void OnSocketClose(CLinkSocket* pSocket, int nErrorCode) = 0;

protected:
    ~CLinkSocketOwner() = default;
};

class CLinkSocket : public CAsyncSocket {
public:
    CLinkSocket() = default;
    ~CLinkSocket() override = default;

    // Receives the notifications; set before the endpoint opens. An endpoint
    // without an owner drops them (a second peer taken only to be let go).
    CLinkSocketOwner* m_pOwner = nullptr;

protected:
    void OnReceive(int nErrorCode) override;
    void OnSend(int nErrorCode) override;
    void OnAccept(int nErrorCode) override;
    void OnConnect(int nErrorCode) override;
    void OnClose(int nErrorCode) override;
};
