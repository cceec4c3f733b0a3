#include "net/LinkSocket.h"

#include "app/LinkDlg.h"

void CLinkSocket::OnReceive(int nErrorCode) {
    if (m_pOwner) m_pOwner->OnSocketReceive(this, nErrorCode);
}

void CLinkSocket::OnSend(int nErrorCode) {
    if (m_pOwner) m_pOwner->OnSocketSend(this, nErrorCode);
}

void CLinkSocket::OnAccept(int nErrorCode) {
    if (m_pOwner) m_pOwner->OnSocketAccept(this, nErrorCode);
}

void CLinkSocket::OnConnect(int nErrorCode) {
    if (m_pOwner) m_pOwner->OnSocketConnect(this, nErrorCode);
}

void CLinkSocket::OnClose(int nErrorCode) {
    // The owner sees the endpoint still open; whatever it did, the endpoint
    // is closed afterwards.
    if (m_pOwner) m_pOwner->OnSocketClose(this, nErrorCode);
    Close();
}
