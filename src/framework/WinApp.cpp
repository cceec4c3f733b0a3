#include "framework/WinApp.h"

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <filesystem>

#include "framework/qt/DisplayCheck.h"
#include "framework/qt/ToolkitTranslations.h"

namespace {
CWinApp* g_app = nullptr;
std::string g_appName = "velmora";
}  // namespace

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName) m_pszAppName = pszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

bool CWinApp::InitInstance() {
    return true;
}

int CWinApp::Run() {
    return QApplication::exec();
}

CWinApp* AfxGetApp() {
    return g_app;
}

std::string AfxGetAppName() {
    if (g_app && !g_app->m_pszAppName.empty()) return g_app->m_pszAppName;
    return g_appName;
}

void SetAppName(const std::string& name) {
    g_appName = name;
}

int AfxWinMain(int argc, char** argv) {
    if (!CanReachDisplay(DisplayEnvironment::FromProcess())) {
        // Only ways that keep the window on this machine or behind SSH: the
        // program sends whatever bytes its window is told to.
        std::fprintf(stderr,
                     "velmora: cannot connect to a display to show the window on; run it in a "
                     "desktop session, over SSH with X11 forwarding (ssh -X), or in a VNC server "
                     "that listens only on 127.0.0.1, reached through an SSH tunnel.\n");
        return 2;
    }
    if (argc > 0 && argv[0]) g_appName = std::filesystem::path(argv[0]).stem().string();
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    LoadToolkitTranslations();
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    if (app->m_pszAppName.empty()) app->m_pszAppName = g_appName;
    if (!app->InitInstance()) return 0;
    return app->Run();
}
