#pragma once
// The connection mode (the mode combo box's index) and the connection
// state of the main window.

enum ConnectionMode : int {
    TcpClient = 0,
    TcpServer = 1,
    Udp = 2,
};

enum ConnectionState : int {
    Idle = 0,
    Connecting = 1,
    Listening = 2,
    Connected = 3,
    UdpOpen = 4,
    // 5 is not used.
    PeerAccepted = 6,
    PeerClosed = 7,
};
