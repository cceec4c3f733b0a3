#include "framework/WinApp.h"

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
CWinApp* g_app = nullptr;
std::string g_appName = "velmora";

// Whether a display can be reached the way the toolkit will try it: an
// explicit platform decides for itself; a local X display or a Wayland
// socket must exist, or the toolkit would abort with a terse message.
bool HaveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
        if (wayland[0] == '/') return std::filesystem::exists(wayland);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && std::filesystem::exists(std::filesystem::path(runtime) / wayland)) return true;
    }
    const char* x11 = std::getenv("DISPLAY");
    if (!x11 || !*x11) return false;
    const std::string display(x11);
    if (display.front() != ':') return true;  // a remote display: let the toolkit try
    const std::string number = display.substr(1, display.find('.') - 1);
    return std::filesystem::exists("/tmp/.X11-unix/X" + number);
}
}  // namespace

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName) m_pszAppName = pszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

bool CWinApp::InitInstance() { return true; }

int CWinApp::Run() { return QApplication::exec(); }

CWinApp* AfxGetApp() { return g_app; }

std::string AfxGetAppName() {
    if (g_app && !g_app->m_pszAppName.empty()) return g_app->m_pszAppName;
    return g_appName;
}

void AfxSetAppName(const std::string& name) { g_appName = name; }

int AfxWinMain(int argc, char** argv) {
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "velmora: there is no display to show the window on; run it in a desktop "
                     "session, or use Qt's VNC platform (QT_QPA_PLATFORM=vnc velmora, then a VNC "
                     "viewer on port 5900).\n");
        return 2;
    }
    if (argc > 0 && argv[0]) g_appName = std::filesystem::path(argv[0]).stem().string();
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    if (app->m_pszAppName.empty()) app->m_pszAppName = g_appName;
    if (!app->InitInstance()) return 0;
    return app->Run();
}
