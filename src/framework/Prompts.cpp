#include "framework/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "framework/WinApp.h"
#include "framework/qt/ProgressDlg.h"
#include "framework/qt/Utf8Text.h"

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

// The path with ".extension" added when its file name has none of its own
// (no "." in it) and it names no folder, as the file dialogs add a default
// extension.
QString WithDefaultExtension(const QString& path, const std::string& extension) {
    const QFileInfo info(path);
    if (extension.empty() || info.fileName().isEmpty() || info.fileName().contains(u'.') ||
        info.isDir()) {
        return path;
    }
    return path + u'.' + FromUtf8(extension);
}

// The toolkit's own dialogs.
class ToolkitPrompts : public IUserPrompts {
public:
    int MessageBox(CWnd* owner, const std::string& text, const std::string& caption,
                   UINT type) override {
        QWidget* parent = owner && owner->m_hWnd ? owner->m_hWnd->window() : nullptr;
        QMessageBox box(IconOf(type), FromUtf8(caption), FromUtf8(text), QMessageBox::NoButton,
                        parent);
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

    std::optional<FileDialogResult> FileDialog(CWnd* owner,
                                               const FileDialogRequest& request) override {
        QWidget* parent = owner && owner->m_hWnd ? owner->m_hWnd->window() : nullptr;
        // The desktop's own dialog where its platform theme or portal offers
        // one, the toolkit's otherwise.
        QFileDialog dialog(parent, FromUtf8(request.title));
        const bool save = request.kind == FileDialogKind::SaveAs;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // An Open dialog still accepts a name that does not exist; opening
        // the file tells.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        dialog.setOption(QFileDialog::ReadOnly, false);
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
        // The default extension is added here, not by the dialog: a
        // desktop's own dialog asks about replacing the name as typed, before
        // the extension is added, so the name with it is asked about here.
        QString path;
        for (;;) {
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            const QString chosen = dialog.selectedFiles().front();
            path = WithDefaultExtension(chosen, request.defaultExtension);
            if (!save || !request.overwritePrompt || path == chosen || !QFileInfo::exists(path) ||
                ConfirmReplace(&dialog, path)) {
                break;
            }
            dialog.selectFile(path);
        }
        FileDialogResult result;
        result.path = ToUtf8(path);
        result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (result.filterIndex < 1) result.filterIndex = request.filterIndex;
        return result;
    }

    void MessageBeep(UINT) override { QApplication::beep(); }

    bool RunProgress(CWnd* owner, const ProgressRequest& request, IProgressTask& task) override {
        CProgressDlg dialog(request, task, owner);
        return dialog.DoModal() == IDOK;
    }

private:
    // The toolkit's own question, in its own words and language.
    static bool ConfirmReplace(QFileDialog* dialog, const QString& path) {
        const QString question =
            QCoreApplication::translate("QFileDialog",
                                        "%1 already exists.\nDo you want to replace it?")
                .arg(QFileInfo(path).fileName());
        return QMessageBox::warning(dialog, dialog->windowTitle(), question,
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    }
};

IUserPrompts* g_prompts = nullptr;

}  // namespace

IUserPrompts& UserPrompts() {
    static ToolkitPrompts toolkit;
    return g_prompts ? *g_prompts : toolkit;
}

void SetUserPrompts(IUserPrompts* prompts) {
    g_prompts = prompts;
}

int AfxMessageBox(const std::string& text, UINT type) {
    CWinApp* app = AfxGetApp();
    return UserPrompts().MessageBox(app ? app->m_pMainWnd : nullptr, text, AfxGetAppName(), type);
}

void MessageBeep(UINT type) {
    UserPrompts().MessageBeep(type);
}
