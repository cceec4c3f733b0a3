// The terminal against real Telnet servers with a shell, busybox telnetd and
// inetutils telnetd, started by the test on port 23 of a network namespace
// of the test's own, so nothing they serve is reachable from outside.
// Skipped, with the reason, where the namespace cannot be made or a server
// is not installed.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/testing/InputSimulation.h"
#include "net/NetTestSupport.h"
#include "telnet/TelnetTestSupport.h"
#include "testkit/LanguageScope.h"
#include "testkit/TempDir.h"

namespace {

using telnettest::Bytes;
using telnettest::CTerminalLink;

// What a command prints, or nothing when it cannot run.
std::string OutputOf(const char* command) {
    FILE* output = ::popen(command, "r");
    if (!output) return {};
    std::string all;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, output)) all += chunk;
    ::pclose(output);
    return all;
}

bool BusyboxHasTelnetd() {
    return ("\n" + OutputOf("busybox --list 2>/dev/null")).find("\ntelnetd\n") != std::string::npos;
}

bool InetutilsTelnetdInstalled() {
    return OutputOf("/usr/sbin/telnetd --version 2>/dev/null")
        .starts_with("telnetd (GNU inetutils)");
}

// True once a socket of the calling thread's network namespace listens on
// 127.0.0.1:23.
bool TelnetPortListening() {
    std::ifstream table("/proc/thread-self/net/tcp");
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == "0100007F:0017" && state == "0A") return true;
    }
    return false;
}

// Starts `argv` in the calling thread's network namespace with a plain
// environment whatever the test runs under. Its standard input, output and
// error are `stdio` when given, else nothing and /dev/null; no other
// descriptor of the test reaches it. -1 when it cannot start.
pid_t Spawn(std::vector<std::string> argv, int stdio = -1) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"),
                    const_cast<char*>("HOME=/"), const_cast<char*>("PS1=# "),
                    const_cast<char*>("LC_ALL=C"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdio >= 0) {
        for (const int fd : {0, 1, 2}) posix_spawn_file_actions_adddup2(&actions, stdio, fd);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// busybox telnetd in the foreground, serving /bin/sh to each connection.
// Started in the calling thread's network namespace; stopped with the object.
class CBusyboxTelnetd {
public:
    CBusyboxTelnetd()
        : m_pid(Spawn({"busybox", "telnetd", "-F", "-p", "23", "-b", "127.0.0.1", "-l", "/bin/sh",
                       "-f", "/dev/null"})) {}
    ~CBusyboxTelnetd() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    CBusyboxTelnetd(const CBusyboxTelnetd&) = delete;
    CBusyboxTelnetd& operator=(const CBusyboxTelnetd&) = delete;

    // Waits until it listens; false if it ended or never did.
    bool WaitUntilListening() {
        return m_pid > 0 && PumpUntil([&] { return TelnetPortListening() || Ended(); }) && !Ended();
    }

private:
    bool Ended() {
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) m_pid = -1;
        return m_pid <= 0;
    }

    pid_t m_pid = -1;
};

// inetutils telnetd serves the one connection it finds on its standard
// input, output and error, as inetd starts it. The test stands in for inetd:
// it listens on 127.0.0.1:23 and starts a telnetd on each connection it
// accepts, with the accepted socket itself as descriptors 0, 1 and 2. A pipe
// or socket pair in between would turn the server's urgent data into
// ordinary bytes and hide what the terminal must cope with. The server runs
// a test-owned login program that starts the shell at once, without a
// password; telnetd clears the environment, so the program sets the prompt.
class CInetutilsTelnetd {
public:
    CInetutilsTelnetd() {
        m_listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address = sockettest::Loopback(23);
        m_listening =
            m_listener.get() >= 0 &&
            ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_listener.get(), 1) == 0;
        std::ofstream(m_folder / "login") << "#!/bin/sh\nPS1='# ' LC_ALL=C exec /bin/sh\n";
        ::chmod((m_folder / "login").c_str(), 0700);
    }
    // Each server ends by itself once its connection is closed; one that
    // does not within the bound is stopped.
    ~CInetutilsTelnetd() {
        for (const pid_t pid : m_servers) {
            if (PumpUntil([pid] { return ::waitpid(pid, nullptr, WNOHANG) == pid; })) continue;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    CInetutilsTelnetd(const CInetutilsTelnetd&) = delete;
    CInetutilsTelnetd& operator=(const CInetutilsTelnetd&) = delete;

    [[nodiscard]] bool Listening() const { return m_listening; }

    // Starts a server on the connection waiting to be accepted.
    bool ServeNextConnection() {
        pollfd waiting{m_listener.get(), POLLIN, 0};
        if (::poll(&waiting, 1, 5000) != 1) return false;
        sockettest::Fd connection(::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.get() < 0) return false;
        const pid_t pid =
            Spawn({"/usr/sbin/telnetd", "-h", "-E", m_folder / "login"}, connection.get());
        if (pid > 0) m_servers.push_back(pid);
        return pid > 0;
    }

private:
    TempDir m_folder;
    sockettest::Fd m_listener;
    bool m_listening = false;
    std::vector<pid_t> m_servers;
};

// At the shell's prompt: a line holding 0xFF bytes, which the server sends
// doubled, is shown with each once and nothing around them lost; Ctrl+C
// shows the shell's echo of it and a new prompt.
void ExpectShellShowsEveryByte(CTerminalLink& link) {
    SimulateTyping(&link.Terminal(), "printf '<A\\377BC|D\\377\\377EF|>\\n'\r");
    const std::string line =
        Bytes({'<', 'A', 255, 'B', 'C', '|', 'D', 255, 255, 'E', 'F', '|', '>'});
    ASSERT_TRUE(link.WaitForScreenEnd(line + "\r\n# ", 10000))
        << testing::PrintToString(link.Screen());

    SimulateKey(&link.Terminal(), 'C', "\x03", {.ctrl = true});
    ASSERT_TRUE(link.WaitForScreenEnd(line + "\r\n# ^C\r\n# ", 10000))
        << testing::PrintToString(link.Screen());
}

TEST(TelnetServer, BusyboxTelnetdShowsEveryByteOnEveryConnection) {
    nettest::PrivateNetwork network;
    if (!network.Failure().empty()) GTEST_SKIP() << network.Failure();
    if (!BusyboxHasTelnetd()) GTEST_SKIP() << "no busybox with telnetd (Debian: busybox-static)";
    CBusyboxTelnetd server;
    ASSERT_TRUE(server.WaitUntilListening());

    EnglishScope english;
    // One window for both connections, as the main window holds one for the
    // whole run: the second server must be answered as the first was.
    CTelnetDlg dlg;
    for (const int connection : {1, 2}) {
        SCOPED_TRACE("connection " + std::to_string(connection));
        CTerminalLink link(dlg, 23, 23);
        ASSERT_TRUE(link.WaitForScreenEnd("# ", 10000)) << testing::PrintToString(link.Screen());
        // The opening requests, then the answers to the server's DO ECHO,
        // DO NAWS, WILL ECHO (already answered by the refused ECHO) and
        // WILL SUPPRESS GO AHEAD.
        EXPECT_EQ(link.Sends(),
                  (std::vector<std::string>{Bytes({255, 253, 3}), Bytes({255, 253, 1}),
                                            Bytes({255, 252, 1}), Bytes({255, 252, 31}),
                                            Bytes({255, 253, 3})}));
        ASSERT_NO_FATAL_FAILURE(ExpectShellShowsEveryByte(link));
    }
}

// inetutils telnetd answers Ctrl+C with IAC DM sent as TCP urgent data
// before the shell's echo, and opens with a long negotiation that includes
// a terminal-type subnegotiation.
TEST(TelnetServer, InetutilsTelnetdShowsEveryByteOnEveryConnection) {
    nettest::PrivateNetwork network;
    if (!network.Failure().empty()) GTEST_SKIP() << network.Failure();
    if (!InetutilsTelnetdInstalled())
        GTEST_SKIP() << "no inetutils telnetd at /usr/sbin/telnetd (Debian: inetutils-telnetd)";
    CInetutilsTelnetd server;
    ASSERT_TRUE(server.Listening());

    EnglishScope english;
    CTelnetDlg dlg;
    const std::string terminalType = Bytes({255, 250, 24, 0, 'D', 'U', 'M', 'P', 0, 255, 240});
    for (const int connection : {1, 2}) {
        SCOPED_TRACE("connection " + std::to_string(connection));
        CTerminalLink link(dlg, 23, 23);
        ASSERT_TRUE(server.ServeNextConnection());
        ASSERT_TRUE(link.WaitForScreenEnd("# ", 10000)) << testing::PrintToString(link.Screen());
        // The opening requests; the refusals of AUTHENTICATION and
        // ENCRYPT, the offer of TERMINAL-TYPE, the refusals of
        // TERMINAL-SPEED, X-DISPLAY-LOCATION and both ENVIRON options; the
        // answers to the server's WILL SUPPRESS GO AHEAD and WILL ECHO; the
        // terminal type, asked for twice; then the refusals of ECHO,
        // LINEMODE, NAWS, STATUS, TOGGLE-FLOW-CONTROL, TIMING-MARK and
        // BINARY.
        EXPECT_EQ(link.Sends(),
                  (std::vector<std::string>{
                      Bytes({255, 253, 3}),  Bytes({255, 253, 1}),  Bytes({255, 254, 37}),
                      Bytes({255, 254, 38}), Bytes({255, 251, 24}), Bytes({255, 252, 32}),
                      Bytes({255, 252, 35}), Bytes({255, 252, 39}), Bytes({255, 252, 36}),
                      Bytes({255, 253, 3}),  Bytes({255, 253, 1}),  terminalType,
                      terminalType,          Bytes({255, 252, 1}),  Bytes({255, 252, 34}),
                      Bytes({255, 252, 31}), Bytes({255, 254, 5}),  Bytes({255, 252, 33}),
                      Bytes({255, 252, 6}),  Bytes({255, 252, 0})}));
        ASSERT_NO_FATAL_FAILURE(ExpectShellShowsEveryByte(link));
    }
}

}  // namespace
