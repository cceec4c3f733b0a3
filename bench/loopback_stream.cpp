// The two ends of a loopback TCP stream for the whole-program benchmark
// (bench/whole_program.sh), so that the program and a bare receiver are fed
// by the same sender:
//
//   bench_loopback_stream send PORT MIB
//       connects to 127.0.0.1:PORT, sends MIB MiB of random bytes, ends its
//       side and waits until the receiver has read everything and closed;
//       prints the seconds from the connection to that close, and the bytes.
//   bench_loopback_stream receive
//       listens on 127.0.0.1 at a free port and prints it, then takes one
//       connection with one poll() and one read of at most 1024 bytes per
//       wakeup and nothing else, and closes it at the end of the stream.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "framework/testing/BlockingSocket.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kReadSize = 1024;

int Send(std::uint16_t port, std::size_t megabytes) {
    std::vector<char> block(kMiB);
    std::mt19937 random(1470);
    for (char& c : block) c = static_cast<char>(random());
    const auto start = std::chrono::steady_clock::now();
    CBlockingSocket socket = CBlockingSocket::Connect(port);
    if (!socket.IsOpen()) {
        std::fprintf(stderr, "cannot connect to 127.0.0.1:%u\n", port);
        return 1;
    }
    for (std::size_t i = 0; i < megabytes; ++i) {
        if (!socket.SendAll(block.data(), block.size())) {
            std::fprintf(stderr, "the receiver stopped taking bytes\n");
            return 1;
        }
    }
    socket.ShutdownSend();
    // The receiver closes once it has read the whole stream.
    char drain[64];
    while (socket.WaitAndReceive(drain, sizeof drain) > 0) {}
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu\n", seconds, megabytes * kMiB);
    return 0;
}

int Receive() {
    const CBlockingSocket listener = CBlockingSocket::Listen();
    if (!listener.IsOpen()) return 1;
    std::printf("%u\n", listener.Port());
    std::fflush(stdout);
    CBlockingSocket connection = listener.Accept();
    char buffer[kReadSize];
    while (connection.WaitAndReceive(buffer, sizeof buffer) > 0) {}
    connection.Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "send") == 0) {
        return Send(static_cast<std::uint16_t>(std::atoi(argv[2])),
                    static_cast<std::size_t>(std::atol(argv[3])));
    }
    if (argc == 2 && std::strcmp(argv[1], "receive") == 0) return Receive();
    std::fprintf(stderr, "usage: %s send PORT MIB | receive\n", argv[0]);
    return 2;
}
