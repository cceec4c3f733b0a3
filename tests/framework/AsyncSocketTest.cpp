// The notification rules of CAsyncSocket, over real loopback sockets.

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "SocketTestSupport.h"
#include "framework/SocketApi.h"
#include "framework/testing/SocketSetup.h"

using namespace sockettest;

TEST(AsyncSocketConnect, SucceedsWithOneNotificationAndKnowsItsPeer) {
    Fd listener = RawListener();
    const std::uint16_t port = LocalPort(listener.get());
    RecordingSocket client;
    ASSERT_TRUE(client.Create());
    const bool at_once = client.Connect(AddressFromText("127.0.0.1", port));
    if (!at_once) {
        EXPECT_EQ(CAsyncSocket::GetLastError(), EINPROGRESS);
    }
    ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
    Drain();
    // No OnSend either: the write side is reported only on request.
    EXPECT_EQ(client.events, (std::vector<Event>{{Event::Connect, 0}}));

    std::string address;
    UINT peerPort = 0;
    ASSERT_TRUE(client.GetPeerName(address, peerPort));
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(peerPort, port);
}

TEST(AsyncSocketConnect, RefusedPortGivesOneNotificationWithTheError) {
    std::uint16_t port = 0;
    {
        Fd probe = RawListener();  // a port that was just free, closed again
        port = LocalPort(probe.get());
    }
    RecordingSocket client;
    ASSERT_TRUE(client.Create());
    EXPECT_FALSE(client.Connect(AddressFromText("127.0.0.1", port)));
    EXPECT_EQ(CAsyncSocket::GetLastError(), EINPROGRESS);
    ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
    Drain();
    // Not followed by a close or a read: the endpoint is simply dead.
    EXPECT_EQ(client.events, (std::vector<Event>{{Event::Connect, ECONNREFUSED}}));
}

TEST(AsyncSocketCreate, ListenerCanBeReopenedOnItsPortButNotTwice) {
    UINT port = 0;
    {
        Fd probe = RawListener();
        port = LocalPort(probe.get());
    }
    RecordingSocket first;
    ASSERT_TRUE(first.Create(port));
    ASSERT_TRUE(first.Listen(1));

    RecordingSocket second;
    EXPECT_FALSE(second.Create(port) && second.Listen(1));
    EXPECT_EQ(CAsyncSocket::GetLastError(), EADDRINUSE);
    second.Close();
    EXPECT_FALSE(second.Create(0, SocketType::Stream, FD_ALL_EVENTS, "not an address"));
    EXPECT_EQ(second.m_hSocket, INVALID_SOCKET);
    second.Close();  // closing a closed endpoint does nothing

    // A connection closed by the server side lingers in TIME_WAIT; the port
    // must still be usable by the next listener.
    Fd peer = RawConnect(static_cast<std::uint16_t>(port));
    ASSERT_TRUE(PumpUntil([&] { return first.Count(Event::Accept) == 1; }));
    RecordingSocket accepted;
    ASSERT_TRUE(first.Accept(accepted));
    accepted.Close();
    first.Close();
    EXPECT_TRUE(second.Create(port) && second.Listen(1)) << CAsyncSocket::GetLastError();
}

TEST(AsyncSocketReceive, NotificationWaitsForReceiveAndFollowsWhileBytesRemain) {
    RecordingSocket client;
    Fd peer = ConnectToRawPeer(client);
    ASSERT_GE(peer.get(), 0);
    client.events.clear();

    const std::string burst = Pattern(3000, 1);
    ASSERT_TRUE(SendAll(peer.get(), burst));
    ASSERT_TRUE(PumpUntil([&] { return client.Count(Event::Receive) == 1; }));
    Drain();
    EXPECT_EQ(client.Count(Event::Receive), 1) << "raised again before any Receive";

    // From now on every notification reads one block of at most 1024 bytes.
    std::string received;
    int blocks = 0;
    client.onReceive = [&](RecordingSocket& s, int) {
        char block[1024];
        const int n = s.Receive(block, sizeof block);
        ASSERT_GT(n, 0);
        received.append(block, static_cast<std::size_t>(n));
        ++blocks;
    };
    // A Receive outside any handler re-enables the notification too.
    char first[1024];
    const int n = client.Receive(first, sizeof first);
    ASSERT_EQ(n, 1024);
    received.append(first, 1024);
    ASSERT_TRUE(PumpUntil([&] { return received.size() == burst.size(); }));
    Drain();
    EXPECT_EQ(received, burst);
    EXPECT_EQ(client.Count(Event::Receive), 1 + blocks);
    EXPECT_GE(blocks, 2);
    for (const Event& e : client.events) {
        EXPECT_EQ(e, (Event{Event::Receive, 0}));
    }
}

TEST(AsyncSocketReceive, SmallReadsAreNotifiedOnceEachWithBytesAlwaysWaiting) {
    // Many reads per wake-up, some after a peek: every notification finds
    // bytes to read, however few each read takes.
    RecordingSocket client;
    Fd peer = ConnectToRawPeer(client);
    ASSERT_GE(peer.get(), 0);
    client.events.clear();
    const std::string burst = Pattern(5000, 2);
    std::string received;
    int reads = 0;
    client.onReceive = [&](RecordingSocket& s, int) {
        char block[7];
        if (reads % 3 == 0) {
            ASSERT_GT(s.Receive(block, sizeof block, MSG_PEEK), 0) << "read " << reads;
        }
        const int n = s.Receive(block, sizeof block);
        ASSERT_GT(n, 0) << "read " << reads;
        received.append(block, static_cast<std::size_t>(n));
        ++reads;
    };
    ASSERT_TRUE(SendAll(peer.get(), burst));
    ASSERT_TRUE(PumpUntil([&] { return received.size() == burst.size(); }));
    Drain();
    EXPECT_EQ(received, burst);
    EXPECT_EQ(reads, static_cast<int>((burst.size() + 6) / 7));
    EXPECT_EQ(client.Count(Event::Receive), reads);
}

TEST(AsyncSocketReceive, OrderlyCloseComesOnceAfterTheDataIsRead) {
    RecordingSocket client;
    Fd peer = ConnectToRawPeer(client);
    ASSERT_GE(peer.get(), 0);
    client.events.clear();

    ASSERT_TRUE(SendAll(peer.get(), "hello"));
    peer.Reset();  // FIN after the data
    ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
    Drain();
    EXPECT_EQ(client.events, (std::vector<Event>{{Event::Receive, 0}}))
        << "close reported before the data was read";

    char buffer[16];
    EXPECT_EQ(client.Receive(buffer, sizeof buffer), 5);
    ASSERT_TRUE(PumpUntil([&] { return client.Count(Event::Close) == 1; }));
    // The endpoint stays open (nobody closed it), yet the close comes once.
    Drain();
    EXPECT_EQ(client.events, (std::vector<Event>{{Event::Receive, 0}, {Event::Close, 0}}));
    EXPECT_NE(client.m_hSocket, INVALID_SOCKET);
}

TEST(AsyncSocketReceive, ConnectDataAndCloseArriveInTheirOrder) {
    // Everything has happened in the kernel before the loop runs once.
    Fd listener = RawListener();
    RecordingSocket client;
    ASSERT_TRUE(client.Create());
    client.Connect(AddressFromText("127.0.0.1", LocalPort(listener.get())));
    Fd peer(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(SendAll(peer.get(), std::string(1500, 'z')));
    peer.Reset();
    int bytes = 0;
    client.onReceive = [&](RecordingSocket& s, int) {
        char block[1024];
        bytes += std::max(0, s.Receive(block, sizeof block));
    };
    ASSERT_TRUE(PumpUntil([&] { return client.Count(Event::Close) == 1; }));
    Drain();
    EXPECT_EQ(bytes, 1500);
    ASSERT_GE(client.events.size(), 4U);
    EXPECT_EQ(client.events.front(), (Event{Event::Connect, 0}));
    EXPECT_EQ(client.events.back(), (Event{Event::Close, 0}));
    EXPECT_EQ(client.Count(Event::Receive), static_cast<int>(client.events.size()) - 2);
}

TEST(AsyncSocketReceive, ResetGivesCloseWithTheErrorAndSendFailsQuietly) {
    RecordingSocket client;
    Fd peer = ConnectToRawPeer(client);
    ASSERT_GE(peer.get(), 0);
    client.events.clear();

    const linger abort{1, 0};
    setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer.Reset();
    ASSERT_TRUE(PumpUntil([&] { return !client.events.empty(); }));
    Drain();
    EXPECT_EQ(client.events, (std::vector<Event>{{Event::Close, ECONNRESET}}));
    // A send on the broken connection fails; it must not raise SIGPIPE.
    EXPECT_EQ(client.Send("abc", 3), SOCKET_ERROR);
    EXPECT_EQ(CAsyncSocket::GetLastError(), EPIPE);
}

TEST(AsyncSocketDatagram, ZeroLengthDatagramIsConsumedSilently) {
    RecordingSocket udp;
    ASSERT_TRUE(udp.Create(0, SocketType::Datagram));
    Fd sender = RawUdp();
    const std::uint16_t port = LocalPort(udp);
    ASSERT_TRUE(SendDatagram(sender.get(), port, ""));
    Drain();
    EXPECT_TRUE(udp.events.empty());

    ASSERT_TRUE(SendDatagram(sender.get(), port, "abc"));
    ASSERT_TRUE(PumpUntil([&] { return !udp.events.empty(); }));
    char buffer[8];
    SocketAddress from;
    EXPECT_EQ(udp.ReceiveFrom(buffer, sizeof buffer, &from), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(from.AddressText(), "127.0.0.1");
    EXPECT_EQ(from.HostPort(), LocalPort(sender.get()));
    Drain();
    EXPECT_EQ(udp.events, (std::vector<Event>{{Event::Receive, 0}}));
}

TEST(AsyncSocketDatagram, OversizedDatagramFailsWholeAndTheNextArrivesIntact) {
    RecordingSocket udp;
    ASSERT_TRUE(udp.Create(0, SocketType::Datagram));
    Fd sender = RawUdp();
    const std::uint16_t port = LocalPort(udp);

    std::vector<int> results;
    std::vector<int> errors;
    std::string last;
    udp.onReceive = [&](RecordingSocket& s, int) {
        char block[1024];
        const int n = s.ReceiveFrom(block, sizeof block, nullptr);
        results.push_back(n);
        errors.push_back(n == SOCKET_ERROR ? CAsyncSocket::GetLastError() : 0);
        if (n > 0) {
            last.assign(block, static_cast<std::size_t>(n));
        }
    };
    const std::string exact = Pattern(1024, 2);
    ASSERT_TRUE(SendDatagram(sender.get(), port, Pattern(1025, 3)));
    ASSERT_TRUE(SendDatagram(sender.get(), port, exact));
    ASSERT_TRUE(PumpUntil([&] { return results.size() == 2; }));
    Drain();
    EXPECT_EQ(results, (std::vector<int>{SOCKET_ERROR, 1024}));
    EXPECT_EQ(errors, (std::vector<int>{EMSGSIZE, 0}));
    EXPECT_EQ(last, exact);
    EXPECT_EQ(udp.Receive(last.data(), 1), SOCKET_ERROR) << "nothing of the first was left";
    EXPECT_EQ(CAsyncSocket::GetLastError(), EAGAIN);
}

TEST(AsyncSocketClose, DiscardsWhatWasPendingForTheSocket) {
    // Both sockets are readable before the loop runs; whichever is told
    // first closes the other, which must then hear nothing.
    RecordingSocket a;
    RecordingSocket b;
    ASSERT_TRUE(a.Create(0, SocketType::Datagram));
    ASSERT_TRUE(b.Create(0, SocketType::Datagram));
    Fd sender = RawUdp();
    a.onReceive = [&](RecordingSocket&, int) { b.Close(); };
    b.onReceive = [&](RecordingSocket&, int) { a.Close(); };
    ASSERT_TRUE(SendDatagram(sender.get(), LocalPort(a), "to a"));
    ASSERT_TRUE(SendDatagram(sender.get(), LocalPort(b), "to b"));
    ASSERT_TRUE(PumpUntil([&] { return a.events.size() + b.events.size() >= 1; }));
    Drain();
    EXPECT_EQ(a.events.size() + b.events.size(), 1U);
}

TEST(AsyncSocketClose, HandlerMayCloseOrDestroyItsOwnObject) {
    Fd sender = RawUdp();
    auto closing = std::make_unique<RecordingSocket>();
    ASSERT_TRUE(closing->Create(0, SocketType::Datagram));
    closing->onReceive = [](RecordingSocket& s, int) { s.Close(); };
    ASSERT_TRUE(SendDatagram(sender.get(), LocalPort(*closing), "one"));
    ASSERT_TRUE(PumpUntil([&] { return !closing->events.empty(); }));
    Drain();
    EXPECT_EQ(closing->events.size(), 1U);
    EXPECT_EQ(closing->m_hSocket, INVALID_SOCKET);

    auto doomed = std::make_unique<RecordingSocket>();
    ASSERT_TRUE(doomed->Create(0, SocketType::Datagram));
    int told = 0;
    doomed->onReceive = [&](RecordingSocket&, int) {
        ++told;
        doomed.reset();
    };
    ASSERT_TRUE(SendDatagram(sender.get(), LocalPort(*doomed), "one"));
    ASSERT_TRUE(SendDatagram(sender.get(), LocalPort(*doomed), "two"));
    ASSERT_TRUE(PumpUntil([&] { return told > 0; }));
    Drain();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(doomed, nullptr);
}

TEST(AsyncSocketReentrancy, NestedLoopServesOthersButNotTheSameEndpointsRead) {
    RecordingSocket a;
    RecordingSocket b;
    ASSERT_TRUE(a.Create(0, SocketType::Datagram));
    ASSERT_TRUE(b.Create(0, SocketType::Datagram));
    Fd sender = RawUdp();
    const std::uint16_t portA = LocalPort(a);
    const std::uint16_t portB = LocalPort(b);

    b.onReceive = [](RecordingSocket& s, int) {
        char block[64];
        (void)s.ReceiveFrom(block, sizeof block, nullptr);
    };
    int aInside = -1;
    a.onReceive = [&](RecordingSocket& s, int) {
        char block[64];
        (void)s.ReceiveFrom(block, sizeof block, nullptr);
        if (s.Count(Event::Receive) > 1) {
            return;
        }
        // A modal loop while `a` still has a datagram waiting and its read
        // is re-enabled: `b` is served, `a` must wait for this handler.
        SendDatagram(sender.get(), portA, "second for a");
        SendDatagram(sender.get(), portB, "for b");
        PumpUntil([&] { return b.Count(Event::Receive) == 1; });
        Drain();
        aInside = s.Count(Event::Receive);
    };
    ASSERT_TRUE(SendDatagram(sender.get(), portA, "first for a"));
    ASSERT_TRUE(PumpUntil([&] { return a.Count(Event::Receive) == 2; }));
    Drain();
    EXPECT_EQ(b.Count(Event::Receive), 1);
    EXPECT_EQ(aInside, 1);
    EXPECT_EQ(a.Count(Event::Receive), 2);
}

TEST(AsyncSocketReentrancy, FloodDoesNotStackHandlers) {
    // Every handler runs a nested loop (as an error box would) while
    // datagrams keep arriving: the nesting depth stays at one.
    RecordingSocket udp;
    ASSERT_TRUE(udp.Create(0, SocketType::Datagram));
    Fd sender = RawUdp();
    const std::uint16_t port = LocalPort(udp);
    int depth = 0;
    int deepest = 0;
    int handled = 0;
    udp.onReceive = [&](RecordingSocket& s, int) {
        ++depth;
        deepest = std::max(deepest, depth);
        char block[16];
        (void)s.ReceiveFrom(block, sizeof block, nullptr);  // EMSGSIZE: too long
        for (int i = 0; i < 3; ++i) {
            SendDatagram(sender.get(), port, Pattern(100, 4));
        }
        Drain(3);
        ++handled;
        --depth;
    };
    ASSERT_TRUE(SendDatagram(sender.get(), port, Pattern(100, 4)));
    ASSERT_TRUE(PumpUntil([&] { return handled >= 20; }));
    udp.Close();
    EXPECT_EQ(deepest, 1);
}

TEST(AsyncSocketAccept, AcceptedEndpointInheritsTheMaskAndReportsItself) {
    RecordingSocket listener;
    ASSERT_TRUE(listener.Create(0, SocketType::Stream, FD_ACCEPT | FD_READ));
    ASSERT_TRUE(listener.Listen(4));
    const auto port = static_cast<std::uint16_t>(LocalPort(listener));

    Fd first = RawConnect(port);
    Fd second = RawConnect(port);
    ASSERT_TRUE(PumpUntil([&] { return listener.Count(Event::Accept) == 1; }));
    Drain();
    EXPECT_EQ(listener.Count(Event::Accept), 1) << "raised again before Accept";

    RecordingSocket peerOne;
    ASSERT_TRUE(listener.Accept(peerOne));
    ASSERT_TRUE(PumpUntil([&] { return listener.Count(Event::Accept) == 2; }));
    RecordingSocket busy;
    ASSERT_TRUE(busy.Create());
    EXPECT_FALSE(listener.Accept(busy)) << "the target must be closed";
    busy.Close();
    RecordingSocket peerTwo;
    ASSERT_TRUE(listener.Accept(peerTwo));
    Drain();
    EXPECT_EQ(listener.Count(Event::Accept), 2);

    ASSERT_TRUE(SendAll(first.get(), "x"));
    ASSERT_TRUE(PumpUntil([&] { return peerOne.Count(Event::Receive) == 1; }));
    // FD_CLOSE is not in the inherited mask: the peer's close stays silent.
    char byte = 0;
    EXPECT_EQ(peerOne.Receive(&byte, 1), 1);
    first.Reset();
    second.Reset();
    Drain();
    EXPECT_EQ(peerOne.events, (std::vector<Event>{{Event::Receive, 0}}));
    EXPECT_TRUE(peerTwo.events.empty());
    EXPECT_TRUE(listener.events.size() == 2);
}

TEST(AsyncSocketSend, WriteNotificationCarriesAPartialSendToTheEnd) {
    RecordingSocket client;
    Fd peer = ConnectToRawPeer(client);
    ASSERT_GE(peer.get(), 0);
    client.events.clear();
    const int small = 4096;
    setsockopt(client.m_hSocket, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    fcntl(peer.get(), F_SETFL, O_NONBLOCK);

    const std::string payload = Pattern(1 << 20, 5);
    std::size_t sent = 0;
    int requests = 0;
    auto sendMore = [&](RecordingSocket& s) {
        int n = 0;
        while (sent < payload.size() &&
               (n = s.Send(payload.data() + sent, static_cast<int>(payload.size() - sent))) > 0) {
            sent += static_cast<std::size_t>(n);
        }
        if (sent < payload.size()) {
            EXPECT_EQ(CAsyncSocket::GetLastError(), EAGAIN);
            ASSERT_TRUE(s.RequestWriteNotification());
            ++requests;
        }
    };
    client.onSend = [&](RecordingSocket& s, int code) {
        EXPECT_EQ(code, 0);
        sendMore(s);
    };
    sendMore(client);
    ASSERT_LT(sent, payload.size()) << "the buffers took everything; nothing to test";

    std::string received;
    received.reserve(payload.size());
    ASSERT_TRUE(PumpUntil(
        [&] {
            char block[65536];
            ssize_t n;
            while ((n = ::recv(peer.get(), block, sizeof block, 0)) > 0) {
                received.append(block, static_cast<std::size_t>(n));
            }
            return received.size() == payload.size();
        },
        20000));
    Drain();
    EXPECT_TRUE(received == payload) << "bytes lost or out of order";
    EXPECT_EQ(client.Count(Event::Send), requests) << "one OnSend per request";
    EXPECT_GE(requests, 1);
}
