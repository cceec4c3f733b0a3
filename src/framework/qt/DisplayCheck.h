#pragma once
// Whether the toolkit can reach a display before it tries: the toolkit
// ends the program with a terse message of its own when it cannot, so the
// start-up tries the display itself and explains in one sentence instead.
// The check connects to the display's socket, as a client would; a socket
// file that nobody listens on does not count, and a display that exists
// only as an abstract socket does.

#include <string>
#include <string_view>

// The variables that say where the display is.
struct DisplayEnvironment {
    std::string platform;    // QT_QPA_PLATFORM: "xcb", "wayland", "offscreen", "wayland;xcb" ...
    std::string x11Display;  // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string waylandSocket;   // WAYLAND_SOCKET: a connection handed down already
    std::string runtimeDir;      // XDG_RUNTIME_DIR

    [[nodiscard]] static DisplayEnvironment FromProcess();
};

// Where an X11 display name ([protocol/][host]:number[.screen], or the
// path of a socket followed by :number) says to connect.
struct X11Address {
    enum class Kind { Invalid, Local, Tcp, SocketPath };
    Kind kind = Kind::Invalid;
    std::string host;        // Tcp
    std::string socketPath;  // SocketPath
    int number = 0;          // the display number
};
[[nodiscard]] X11Address ParseX11Display(std::string_view display);

// True when a connection to the display that the toolkit will use
// succeeds. A platform other than X11 and Wayland (offscreen, vnc ...)
// decides for itself and counts as reachable.
[[nodiscard]] bool CanReachDisplay(const DisplayEnvironment& environment);
