#pragma once
// The one seam for everything modal or audible that the user answers or
// hears: message boxes, the open and save file dialogs, the beep. The
// program uses the toolkit's dialogs through it; tests install a scripted
// double that records every call and returns programmed answers. Message
// boxes and file dialogs run their own event loops, so socket
// notifications go on being handled while they are open.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/WinDef.h"

class CFont;
class CWnd;

struct FileDialogFilter {
    std::string name;     // shown to the user, e.g. "*.bin"
    std::string pattern;  // e.g. "*.bin"
};

enum class FileDialogKind { Open, SaveAs };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;
    std::string initialPath;  // a folder, a file or a pattern such as "/home/u/*.bin"
    std::vector<FileDialogFilter> filters;
    int filterIndex = 1;  // 1-based, as the common dialogs count
    std::string defaultExtension;
    bool hideReadOnly = false;
    bool overwritePrompt = false;
};

struct FileDialogResult {
    std::string path;     // the full path chosen
    int filterIndex = 1;  // the filter entry in use when confirmed
};

// A long piece of work that runs in steps between events, so that the
// program stays live while it goes on (a large file read or written).
class IProgressTask {
public:
    virtual ~IProgressTask() = default;
    // Does the next piece of the work, short enough to keep the window
    // responsive; false once there is nothing more to do, because the work
    // is complete or has failed.
    virtual bool Step() = 0;
    // How far the work has come, and its whole, in one unit (bytes).
    [[nodiscard]] virtual std::int64_t Done() const = 0;
    [[nodiscard]] virtual std::int64_t Total() const = 0;
};

// What a progress window shows: its caption, a line that says what runs,
// the format of the count under the bar ("%1 of %2 bytes": %1 done, %2 the
// whole), the text of its Cancel button, and the font of the owner's
// controls (null: the window's own).
struct ProgressRequest {
    std::string caption;
    std::string text;
    std::string countFormat;
    std::string cancelText;
    CFont* pFont = nullptr;
};

class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    // Returns the button pressed (IDOK, IDYES, IDNO ...).
    virtual int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                           UINT type) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<FileDialogResult> FileDialog(CWnd* owner,
                                                       const FileDialogRequest& request) = 0;
    virtual void MessageBeep(UINT type) = 0;
    // Runs `task` step by step under a modal progress window with a Cancel
    // button, serving events between the steps. True when the task ran out
    // of steps, false when the user canceled it first.
    virtual bool RunProgress(CWnd* owner, const ProgressRequest& request, IProgressTask& task) = 0;
};

// The prompts in use: the toolkit's own unless a test installed others.
[[nodiscard]] IUserPrompts& UserPrompts();
// Installs `prompts` (not owned); null restores the toolkit's own.
void SetUserPrompts(IUserPrompts* prompts);

// A message box captioned with the application's name.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
void MessageBeep(UINT type);
