#pragma once
// A scripted stand-in for the user's answers: it records every message box,
// file dialog and beep, and answers from a queue programmed by the test.
// Installed for its lifetime.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/Prompts.h"

struct PromptRecord {
    enum class Kind { MessageBox, FileDialog, Beep, Progress } kind = Kind::MessageBox;
    std::string text;
    std::string caption;
    UINT type = 0;
    FileDialogRequest fileRequest;
    ProgressRequest progressRequest;
    // A progress window's steps run, and whether it ended by Cancel.
    int progressSteps = 0;
    bool progressCanceled = false;
};

class ScriptedPrompts : public IUserPrompts {
public:
    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // Answers for the next message boxes, in order; without one a box
    // answers IDOK (IDNO for a Yes/No box).
    void QueueAnswer(int button) { m_answers.push_back(button); }
    // The next file dialog's result (std::nullopt: the user cancels).
    void QueueFile(std::optional<FileDialogResult> result) { m_files.push_back(std::move(result)); }
    // Runs while a message box is "open", inside its modal loop, before it answers.
    std::function<void(const PromptRecord&)> onMessageBox;
    // Runs after each step of a progress window, once the events waiting
    // then have been served; returning true presses Cancel.
    std::function<bool(const IProgressTask&)> onProgressStep;

    [[nodiscard]] const std::vector<PromptRecord>& Records() const { return m_records; }
    [[nodiscard]] std::vector<PromptRecord> MessageBoxes() const;
    [[nodiscard]] std::vector<PromptRecord> ProgressWindows() const;
    [[nodiscard]] int BeepCount() const;
    // The most nested message boxes open at once.
    [[nodiscard]] int MaxDepth() const { return m_maxDepth; }
    void Clear() { m_records.clear(); }

    int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                   UINT type) override;
    std::optional<FileDialogResult> FileDialog(CWnd* owner,
                                               const FileDialogRequest& request) override;
    void MessageBeep(UINT type) override;
    // Runs the task's steps as the progress window would, serving the
    // events that wait between two steps.
    bool RunProgress(CWnd* owner, const ProgressRequest& request, IProgressTask& task) override;

private:
    std::vector<PromptRecord> m_records;
    std::deque<int> m_answers;
    std::deque<std::optional<FileDialogResult>> m_files;
    int m_depth = 0;
    int m_maxDepth = 0;
};
