#include "app/LinkApp.h"

#include "app/LinkDlg.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "framework/SocketApi.h"
#include "res/Resources.h"

CLinkApp::CLinkApp() {
    SetResourceTables(&VelmoraResources());
}

bool CLinkApp::InitInstance() {
    if (!AfxSocketInit()) {
        AfxMessageBox(LoadString(IDS_SOCKETS_INIT_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CLinkDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The window is gone: end the program instead of entering a message loop.
    return false;
}
