#include "testkit/ScriptedPrompts.h"

#include "framework/testing/EventPump.h"

ScriptedPrompts::ScriptedPrompts() {
    SetUserPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    SetUserPrompts(nullptr);
}

namespace {

std::vector<PromptRecord> RecordsOf(const std::vector<PromptRecord>& records,
                                    PromptRecord::Kind kind) {
    std::vector<PromptRecord> found;
    for (const PromptRecord& record : records) {
        if (record.kind == kind) found.push_back(record);
    }
    return found;
}

}  // namespace

std::vector<PromptRecord> ScriptedPrompts::MessageBoxes() const {
    return RecordsOf(m_records, PromptRecord::Kind::MessageBox);
}

std::vector<PromptRecord> ScriptedPrompts::ProgressWindows() const {
    return RecordsOf(m_records, PromptRecord::Kind::Progress);
}

int ScriptedPrompts::BeepCount() const {
    int count = 0;
    for (const PromptRecord& record : m_records) count += record.kind == PromptRecord::Kind::Beep;
    return count;
}

int ScriptedPrompts::MessageBox(CWnd*, const std::string& text, const std::string& caption,
                                UINT type) {
    PromptRecord record;
    record.kind = PromptRecord::Kind::MessageBox;
    record.text = text;
    record.caption = caption;
    record.type = type;
    m_records.push_back(record);
    ++m_depth;
    m_maxDepth = std::max(m_maxDepth, m_depth);
    if (onMessageBox) onMessageBox(record);
    --m_depth;
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

std::optional<FileDialogResult> ScriptedPrompts::FileDialog(CWnd*,
                                                            const FileDialogRequest& request) {
    PromptRecord record;
    record.kind = PromptRecord::Kind::FileDialog;
    record.fileRequest = request;
    m_records.push_back(record);
    if (m_files.empty()) return std::nullopt;
    std::optional<FileDialogResult> result = std::move(m_files.front());
    m_files.pop_front();
    return result;
}

void ScriptedPrompts::MessageBeep(UINT type) {
    PromptRecord record;
    record.kind = PromptRecord::Kind::Beep;
    record.type = type;
    m_records.push_back(record);
}

bool ScriptedPrompts::RunProgress(CWnd*, const ProgressRequest& request, IProgressTask& task) {
    const std::size_t index = m_records.size();
    PromptRecord record;
    record.kind = PromptRecord::Kind::Progress;
    record.text = request.text;
    record.caption = request.caption;
    record.progressRequest = request;
    m_records.push_back(record);
    bool more = true;
    while (more) {
        more = task.Step();
        ++m_records[index].progressSteps;
        PumpMessages();
        if (more && onProgressStep && onProgressStep(task)) {
            m_records[index].progressCanceled = true;
            return false;
        }
    }
    return true;
}
