#pragma once
// CLinkApp: the application object. It starts the socket layer and runs
// the main window modally; the program ends when the window does.

#include "framework/WinApp.h"

class CLinkApp : public CWinApp {
public:
    CLinkApp();
    bool InitInstance() override;
};
