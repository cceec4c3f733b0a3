#pragma once
// The socket calls that the application makes beside CAsyncSocket: start-up
// check, address conversion and lookup, socket options, multicast, the last
// error and its text.
//
// Error codes are errno values, except the resolver's: a getaddrinfo failure
// is kResolverErrorBase + (-EAI_xxx), a range errno never reaches.
// FormatSocketError gives the system's text for either kind.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/AsyncSocket.h"

constexpr std::uint32_t kInetAddrNone = 0xFFFFFFFFU;
constexpr int kResolverErrorBase = 0x10000;

// True when an AF_INET datagram socket can be opened (and it is closed
// again). Tests can force the answer; std::nullopt restores the real check.
[[nodiscard]] bool AfxSocketInit();
void OverrideSocketInit(std::optional<bool> result);

// The calling thread's last socket error (the same value as
// CAsyncSocket::GetLastError).
[[nodiscard]] int WSAGetLastError();
void WSASetLastError(int code);

// The resolver code for a getaddrinfo result (EAI_SYSTEM gives errno), and
// the test for one.
[[nodiscard]] int ResolverErrorCode(int gaiResult);
[[nodiscard]] bool IsResolverError(int code);
// True for the codes that mean "not now, try later" (EAGAIN, EINPROGRESS).
[[nodiscard]] bool IsWouldBlockError(int code);
// True for EMSGSIZE: a datagram longer than the buffer given to read it,
// or one to send that is longer than a datagram can be.
[[nodiscard]] bool IsMessageTooLongError(int code);

// The system's text for a socket error or resolver code; never empty.
[[nodiscard]] std::string FormatSocketError(int code);

// Dotted-decimal text (also the short and hexadecimal forms inet_addr
// takes) to a network-order address; std::nullopt for anything else, so
// that "255.255.255.255" is an address like any other.
[[nodiscard]] std::optional<std::uint32_t> ParseInetAddress(std::string_view dotted);
// As ParseInetAddress, with kInetAddrNone for text that is no address.
[[nodiscard]] std::uint32_t InetAddr(std::string_view dotted);
// The first IPv4 address (network order) of a host name or address text,
// from the system's resolver. This may wait for the name service for many
// seconds: the window never calls it on its own thread (see HostLookup.h).
// Returns 0, or the resolver code (also set as the calling thread's last
// error).
[[nodiscard]] int LookupHostAddress(std::string_view name, std::uint32_t& address);

// Keep-alive probes: SO_KEEPALIVE, the first probe after `idleMs` of
// silence and then one every `intervalMs` (whole seconds, at least 1).
bool SetKeepAlive(SOCKET socket, bool on, unsigned idleMs, unsigned intervalMs);
bool SetBroadcast(SOCKET socket, bool on);

// Multicast, step by step. The steps set the last error on failure.
// A UDP socket bound to any address at `localPort`, sharing the port with
// other members of the group (SO_REUSEADDR); INVALID_SOCKET on failure.
[[nodiscard]] SOCKET CreateMulticastSocket(std::uint16_t localPort);
bool SetMulticastTtl(SOCKET socket, int ttl);
bool SetMulticastLoop(SOCKET socket, bool on);
// Joins the group (network order) on the interface the routing table picks.
bool JoinMulticastGroup(SOCKET socket, std::uint32_t group);

// Closes a raw handle that no CAsyncSocket owns.
void CloseRawSocket(SOCKET socket);
