#pragma once
// CWinApp: the application object. Exactly one exists, constructed before
// main runs; AfxWinMain starts the toolkit, calls InitInstance and ends the
// program when it returns false (a dialog-based program runs its window
// modally inside InitInstance).

#include <string>

class CWnd;

class CWinApp {
public:
    // nullptr: the application name is the executable's file name without
    // its extension.
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance();
    // The message loop, entered only when InitInstance returns true.
    virtual int Run();

    std::string m_pszAppName;
    CWnd* m_pMainWnd = nullptr;
};

[[nodiscard]] CWinApp* AfxGetApp();
// The name that captions the framework's messages ("velmora" unless the
// application object was given another).
[[nodiscard]] std::string AfxGetAppName();
// Sets the application name for programs without an application object
// (tests, tools).
void SetAppName(const std::string& name);

// The program's entry: starts the toolkit (or explains in one sentence why
// no window can be shown), runs the application object.
int AfxWinMain(int argc, char** argv);
