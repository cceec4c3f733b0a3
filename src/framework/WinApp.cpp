#include "framework/WinApp.h"

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
CWinApp* g_app = nullptr;
std::string g_appName = "velmora";

// Whether a display can be reached the way the toolkit will try it.
bool HaveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;  // an explicit platform (offscreen, vnc, ...) decides
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
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
                     "velmora: no display to open its window on (DISPLAY is not set); run it in a "
                     "desktop session, or use Qt's VNC platform: QT_QPA_PLATFORM=vnc velmora, then "
                     "connect a VNC viewer to port 5900.\n");
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
