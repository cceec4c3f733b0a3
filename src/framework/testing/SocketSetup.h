#pragma once
// Sockets and addresses that tests set up by hand beside the endpoints
// under test.

#include <cstdint>
#include <string>

#include "framework/AsyncSocket.h"

// From dotted-decimal text; an invalid text gives address 0xFFFFFFFF.
[[nodiscard]] SocketAddress AddressFromText(const std::string& dotted, std::uint16_t hostPort);

// A multicast member as the program makes one: bound to `localPort`, time
// to live 8, loopback off, joined to `group` (network order).
// INVALID_SOCKET on failure, with nothing left open.
[[nodiscard]] SOCKET OpenMulticastSocket(std::uint16_t localPort, std::uint32_t group);
