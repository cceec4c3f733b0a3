// The terminal against a real Telnet server: busybox telnetd with a shell,
// started by the test on port 23 of a network namespace of the test's own,
// so nothing it serves is reachable from outside. Skipped, with the reason,
// where the namespace cannot be made or busybox has no telnetd.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/InputSimulation.h"
#include "net/NetTestSupport.h"
#include "telnet/TelnetTestSupport.h"
#include "testkit/LanguageScope.h"

namespace {

using telnettest::Bytes;
using telnettest::CTerminalLink;

bool BusyboxHasTelnetd() {
    FILE* list = ::popen("busybox --list 2>/dev/null", "r");
    if (!list) return false;
    bool found = false;
    char line[64];
    while (std::fgets(line, sizeof line, list)) found = found || std::string(line) == "telnetd\n";
    ::pclose(list);
    return found;
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

// busybox telnetd in the foreground, serving /bin/sh to each connection.
// Started in the calling thread's network namespace; stopped with the object.
class CBusyboxTelnetd {
public:
    CBusyboxTelnetd() {
        char* argv[] = {const_cast<char*>("busybox"), const_cast<char*>("telnetd"),
                        const_cast<char*>("-F"),      const_cast<char*>("-p"),
                        const_cast<char*>("23"),      const_cast<char*>("-b"),
                        const_cast<char*>("127.0.0.1"), const_cast<char*>("-l"),
                        const_cast<char*>("/bin/sh"), const_cast<char*>("-f"),
                        const_cast<char*>("/dev/null"), nullptr};
        // A plain shell whatever the test runs under.
        char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"),
                        const_cast<char*>("HOME=/"), const_cast<char*>("PS1=# "),
                        const_cast<char*>("LC_ALL=C"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, "busybox", &actions, nullptr, argv, envp) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CBusyboxTelnetd() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    CBusyboxTelnetd(const CBusyboxTelnetd&) = delete;
    CBusyboxTelnetd& operator=(const CBusyboxTelnetd&) = delete;

    // Waits until it listens; false if it ended or never did.
    bool WaitUntilListening() {
        return m_pid > 0 && AfxPumpUntil([&] { return TelnetPortListening() || Ended(); }) &&
               !Ended();
    }

private:
    bool Ended() {
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) m_pid = -1;
        return m_pid <= 0;
    }

    pid_t m_pid = -1;
};

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
        EXPECT_EQ(link.Sends(), (std::vector<std::string>{
                                    Bytes({255, 253, 3}), Bytes({255, 253, 1}), Bytes({255, 252, 1}),
                                    Bytes({255, 252, 31}), Bytes({255, 253, 3})}));

        // Each 0xFF byte arrives doubled; the screen shows each once and
        // loses nothing around them.
        AfxSimulateTyping(&link.Terminal(), "printf '<A\\377BC|D\\377\\377EF|>\\n'\r");
        const std::string line = Bytes({'<', 'A', 255, 'B', 'C', '|', 'D', 255, 255, 'E', 'F', '|', '>'});
        ASSERT_TRUE(link.WaitForScreenEnd(line + "\r\n# ", 10000))
            << testing::PrintToString(link.Screen());

        // Ctrl+C at the prompt: the shell's echo and a new prompt.
        AfxSimulateKey(&link.Terminal(), 'C', "\x03", {.ctrl = true});
        ASSERT_TRUE(link.WaitForScreenEnd(line + "\r\n# ^C\r\n# ", 10000))
            << testing::PrintToString(link.Screen());
    }
}

}  // namespace
