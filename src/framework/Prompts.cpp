#include "framework/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "framework/ProgressDlg.h"
#include "framework/WinApp.h"
#include "framework/WindowSystem.h"

namespace {

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The toolkit's own dialogs.
class ToolkitPrompts : public IUserPrompts {
public:
    int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                   UINT type) override {
        QWidget* parent = owner && owner->m_hWnd ? owner->m_hWnd->window() : nullptr;
        QMessageBox box(IconOf(type), FromUtf8(caption), FromUtf8(text), QMessageBox::NoButton, parent);
        if ((type & MB_TYPEMASK) == MB_YESNO) {
            QPushButton* yes = box.addButton(QMessageBox::Yes);
            box.addButton(QMessageBox::No);
            box.setDefaultButton(yes);
            box.exec();
            return box.clickedButton() == yes ? IDYES : IDNO;
        }
        box.addButton(QMessageBox::Ok);
        box.exec();
        return IDOK;
    }

    std::optional<FileDialogResult> FileDialog(CWnd* owner, const FileDialogRequest& request) override {
        QWidget* parent = owner && owner->m_hWnd ? owner->m_hWnd->window() : nullptr;
        QFileDialog dialog(parent, FromUtf8(request.title));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const bool save = request.kind == FileDialogKind::SaveAs;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // An Open dialog still accepts a name that does not exist; opening
        // the file tells.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
        QStringList filters;
        for (const FileDialogFilter& filter : request.filters) {
            QString pattern = FromUtf8(filter.pattern);
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
            filters << FromUtf8(filter.name) + QStringLiteral(" (") + pattern + QStringLiteral(")");
        }
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
        }
        const QFileInfo initial(FromUtf8(request.initialPath));
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        FileDialogResult result;
        result.path = ToUtf8(dialog.selectedFiles().front());
        result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (result.filterIndex < 1) result.filterIndex = request.filterIndex;
        return result;
    }

    void MessageBeep(UINT) override { QApplication::beep(); }

    bool RunProgress(CWnd* owner, const ProgressRequest& request, IProgressTask& task) override {
        CProgressDlg dialog(request, task, owner);
        return dialog.DoModal() == IDOK;
    }
};

IUserPrompts* g_prompts = nullptr;

}  // namespace

IUserPrompts& AfxPrompts() {
    static ToolkitPrompts toolkit;
    return g_prompts ? *g_prompts : toolkit;
}

void AfxSetPrompts(IUserPrompts* prompts) { g_prompts = prompts; }

int AfxMessageBox(const std::string& text, UINT type) {
    CWinApp* app = AfxGetApp();
    return AfxPrompts().MessageBox(app ? app->m_pMainWnd : nullptr, text, AfxGetAppName(), type);
}

void MessageBeep(UINT type) { AfxPrompts().MessageBeep(type); }
