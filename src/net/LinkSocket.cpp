#include "net/LinkSocket.h"

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
    // The owner sees the endpoint still open; the endpoint is closed
    // afterwards, unless the owner closed it itself: by then it may hold a
    // new connection (a peer accepted from a message box's loop), which
    // must stay.
    const unsigned generation = Generation();
    if (m_pOwner) m_pOwner->OnSocketClose(this, nErrorCode);
    if (Generation() == generation) Close();
}
