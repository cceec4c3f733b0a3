#include "framework/SocketApi.h"

#include "framework/File.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

thread_local int t_lastError = 0;
std::optional<bool> g_socketInitOverride;

bool SetIntOption(SOCKET socket, int level, int name, int value) {
    if (setsockopt(socket, level, name, &value, sizeof value) != 0) {
        WSASetLastError(errno);
        return false;
    }
    return true;
}

unsigned WholeSeconds(unsigned ms) {
    const unsigned seconds = ms / 1000 + (ms % 1000 != 0 ? 1 : 0);
    return seconds == 0 ? 1 : seconds;
}

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoDeleter>;

}  // namespace

bool AfxSocketInit() {
    if (g_socketInitOverride) {
        return *g_socketInitOverride;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        WSASetLastError(errno);
        return false;
    }
    ::close(fd);
    return true;
}

void OverrideSocketInit(std::optional<bool> result) {
    g_socketInitOverride = result;
}

int WSAGetLastError() {
    return t_lastError;
}

void WSASetLastError(int code) {
    t_lastError = code;
}

int ResolverErrorCode(int gaiResult) {
    if (gaiResult == 0) {
        return 0;
    }
    if (gaiResult == EAI_SYSTEM) {
        return errno != 0 ? errno : EIO;
    }
    return kResolverErrorBase + (gaiResult < 0 ? -gaiResult : gaiResult);
}

bool IsResolverError(int code) {
    return code > kResolverErrorBase && code < 2 * kResolverErrorBase;
}

bool IsWouldBlockError(int code) {
    return code == EAGAIN || code == EWOULDBLOCK || code == EINPROGRESS;
}

bool IsMessageTooLongError(int code) {
    return code == EMSGSIZE;
}

std::string FormatSocketError(int code) {
    if (IsResolverError(code)) {
        return gai_strerror(-(code - kResolverErrorBase));
    }
    return SystemErrorText(code);
}

std::optional<std::uint32_t> ParseInetAddress(std::string_view dotted) {
    if (dotted.empty() || dotted.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    in_addr address{};
    if (inet_aton(std::string(dotted).c_str(), &address) == 0) {
        return std::nullopt;
    }
    return address.s_addr;
}

std::uint32_t InetAddr(std::string_view dotted) {
    return ParseInetAddress(dotted).value_or(kInetAddrNone);
}

int LookupHostAddress(std::string_view name, std::uint32_t& address) {
    int code = ResolverErrorCode(EAI_NONAME);
    if (!name.empty() && name.find('\0') == std::string_view::npos) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        code = ResolverErrorCode(getaddrinfo(std::string(name).c_str(), nullptr, &hints, &found));
        if (code == 0) {
            const AddrInfoList list(found);
            code = ResolverErrorCode(EAI_NODATA);
            for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
                if (entry->ai_family == AF_INET) {
                    address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
                    code = 0;
                    break;
                }
            }
        }
    }
    WSASetLastError(code);
    return code;
}

bool SetKeepAlive(SOCKET socket, bool on, unsigned idleMs, unsigned intervalMs) {
    if (!SetIntOption(socket, SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0)) {
        return false;
    }
    if (!on) {
        return true;
    }
    return SetIntOption(socket, IPPROTO_TCP, TCP_KEEPIDLE,
                        static_cast<int>(WholeSeconds(idleMs))) &&
           SetIntOption(socket, IPPROTO_TCP, TCP_KEEPINTVL,
                        static_cast<int>(WholeSeconds(intervalMs)));
}

bool SetBroadcast(SOCKET socket, bool on) {
    return SetIntOption(socket, SOL_SOCKET, SO_BROADCAST, on ? 1 : 0);
}

SOCKET CreateMulticastSocket(std::uint16_t localPort) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        WSASetLastError(errno);
        return INVALID_SOCKET;
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(localPort);
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!SetIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1)) {
        ::close(fd);
        return INVALID_SOCKET;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        const int error = errno;
        ::close(fd);
        WSASetLastError(error);
        return INVALID_SOCKET;
    }
    return fd;
}

bool SetMulticastTtl(SOCKET socket, int ttl) {
    return SetIntOption(socket, IPPROTO_IP, IP_MULTICAST_TTL, ttl);
}

bool SetMulticastLoop(SOCKET socket, bool on) {
    return SetIntOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0);
}

bool JoinMulticastGroup(SOCKET socket, std::uint32_t group) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = group;
    request.imr_interface.s_addr = htonl(INADDR_ANY);
    if (setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0) {
        WSASetLastError(errno);
        return false;
    }
    return true;
}

void CloseRawSocket(SOCKET socket) {
    if (socket != INVALID_SOCKET) {
        ::close(socket);
    }
}
