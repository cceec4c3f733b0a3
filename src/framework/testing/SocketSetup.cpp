#include "framework/testing/SocketSetup.h"

#include "framework/SocketApi.h"

SocketAddress AddressFromText(const std::string& dotted, std::uint16_t hostPort) {
    return SocketAddress::FromNetwork(InetAddr(dotted), hostPort);
}

SOCKET OpenMulticastSocket(std::uint16_t localPort, std::uint32_t group) {
    const SOCKET fd = CreateMulticastSocket(localPort);
    if (fd == INVALID_SOCKET) {
        return INVALID_SOCKET;
    }
    if (!SetMulticastTtl(fd, 8) || !SetMulticastLoop(fd, false) || !JoinMulticastGroup(fd, group)) {
        const int error = WSAGetLastError();
        CloseRawSocket(fd);
        WSASetLastError(error);
        return INVALID_SOCKET;
    }
    return fd;
}
