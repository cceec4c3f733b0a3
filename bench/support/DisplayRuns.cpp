#include "support/DisplayRuns.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

namespace {

constexpr const char* kRunFlag = "--run";
constexpr const char* kOwnServerVariable = "VELMORA_BENCH_OWN_XVFB";

bool IsRun(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kRunFlag) == 0) return true;
    }
    return false;
}

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// An X server of our own: Xvfb picks a free display and writes its number
// to the pipe once it accepts clients.
struct OwnServer {
    pid_t pid = -1;
    std::string display;

    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, STDOUT_FILENO);
                dup2(devnull, STDERR_FILENO);
            }
            mkdir("/tmp/.X11-unix", 01777);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char number[32] = {};
        std::size_t got = 0;
        while (got + 1 < sizeof number) {
            const ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
            if (n <= 0 || number[got + static_cast<std::size_t>(n) - 1] == '\n') {
                got += n > 0 ? static_cast<std::size_t>(n) : 0;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        close(fds[0]);
        const int value = std::atoi(number);
        if (got == 0 || number[0] < '0' || number[0] > '9') {
            Stop();
            return false;
        }
        display = ":" + std::to_string(value);
        return true;
    }

    void Stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
};

// The program again, as one run on the given platform; its exit status.
int RunOn(int argc, char** argv, const char* platform, const std::string& display, bool own) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", platform, 1);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        if (own) setenv(kOwnServerVariable, "1", 1);
        std::vector<char*> args(argv, argv + argc);
        args.push_back(const_cast<char*>(kRunFlag));
        args.push_back(nullptr);
        execv("/proc/self/exe", args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int RunOnEveryDisplay(int argc, char** argv) {
    if (IsRun(argc, argv)) return -1;
    std::printf("==== offscreen\n");
    const int offscreen = RunOn(argc, argv, "offscreen", {}, false);

    std::printf("\n==== on an X server\n");
    int onDisplay = 0;
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        onDisplay = RunOn(argc, argv, "xcb", display, false);
    } else if (OnPath("Xvfb")) {
        OwnServer server;
        if (server.Start()) {
            onDisplay = RunOn(argc, argv, "xcb", server.display, true);
            server.Stop();
        } else {
            std::printf("Xvfb did not start: no figures on an X server\n");
            onDisplay = 1;
        }
    } else {
        std::printf(
            "DISPLAY is not set and Xvfb is not installed (apt-get install xvfb):\n"
            "no figures on an X server\n");
        onDisplay = 1;
    }
    std::printf("\n==== %s offscreen, %s on an X server\n",
                offscreen == 0 ? "bars held" : "BARS MISSED",
                onDisplay == 0 ? "bars held" : "BARS MISSED");
    return offscreen == 0 && onDisplay == 0 ? 0 : 1;
}

std::string DisplayDescription() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string name = platform && *platform ? platform : "the default window system";
    if (name != "xcb") return "window system: " + name;
    const char* display = std::getenv("DISPLAY");
    return "window system: X server on " + std::string(display ? display : "?") +
           (std::getenv(kOwnServerVariable) ? " (an Xvfb this benchmark started)" : " (DISPLAY)");
}

}  // namespace bench
