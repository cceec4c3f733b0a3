// The buffer commands of the main window: SAVE, LOAD, CLEAR, RESIZE and the
// data-length spin. Files are plain byte files: exactly a pane's bytes, in
// order, with nothing around them.

#include <algorithm>
#include <limits>
#include <optional>

#include "app/LinkDlg.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "panes/BufferTransfer.h"
#include "res/Resources.h"

namespace {

// The file name every file dialog opens with, for the whole run. Empty until
// first needed; then the pattern "*.bin" in the user's home folder, and
// after each confirmed dialog the full path chosen there. Kept whole,
// however long.
std::string s_szLastPath;
// The filter entry the dialogs open with (1-based); the one in use when a
// dialog was last confirmed.
int s_nFilterIndex = 1;
// Two entries: "*.bin" and "*.*", each shown as its own pattern.
constexpr char s_szFilter[] = "*.bin\0*.bin\0*.*\0*.*\0";
constexpr char kDefaultExtension[] = "bin";

const std::string& LastPath() {
    if (s_szLastPath.empty()) {
        const std::string home = GetHomeFolder();
        s_szLastPath = home.empty() ? "*.bin" : home == "/" ? "/*.bin" : home + "/*.bin";
    }
    return s_szLastPath;
}

// Files larger than this are read and written in steps under a progress
// window, so that the program stays live; smaller ones take well under a
// second and go in one go, without a window.
constexpr std::int64_t kLongTransfer = std::int64_t{64} << 20;

void ShowFileOpenError() {
    AfxMessageBox("File Open Error.", MB_OK | MB_ICONEXCLAMATION);
}

void ShowFileProblem(const std::string& text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void ShowReadError(const std::string& path, int error) {
    ShowFileProblem("Could not read " + path + ": " + SystemErrorText(error) + ".");
}

// Runs a transfer to its end, under a progress window when it is long;
// false when the user canceled it.
bool RunTransfer(CWnd* owner, IProgressTask& transfer, UINT captionId, UINT textId,
                 const std::string& path, CFont* pFont) {
    if (transfer.Total() <= kLongTransfer) {
        while (transfer.Step()) {}
        return true;
    }
    const ProgressRequest request{LoadString(captionId), FormatText(LoadString(textId), {path}),
                                  LoadString(IDS_PROGRESS_BYTES), LoadString(IDS_CANCEL), pFont};
    return UserPrompts().RunProgress(owner, request, transfer);
}

}  // namespace

std::optional<std::string> CLinkDlg::RunFileDialog(bool bSave) {
    CFileDialog dlg(!bSave, kDefaultExtension, LastPath(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    s_szFilter, this);
    dlg.m_ofn.nFilterIndex = s_nFilterIndex;
    dlg.m_ofn.strTitle = LoadString(bSave ? IDS_SAVE : IDS_LOAD);
    if (dlg.DoModal() != IDOK) return std::nullopt;
    // Remembered whether or not the file then opens.
    s_szLastPath = dlg.GetPathName();
    s_nFilterIndex = dlg.m_ofn.nFilterIndex;
    return s_szLastPath;
}

void CLinkDlg::OnButtonSaveRecv() {
    if (m_recvView.m_nLength == 0) return;
    if (const auto path = RunFileDialog(true)) SavePane(m_recvView, *path);
}

void CLinkDlg::OnButtonSaveSend() {
    if (m_sendView.m_nLength == 0) return;
    if (const auto path = RunFileDialog(true)) SavePane(m_sendView, *path);
}

void CLinkDlg::SavePane(const CHexView& pane, const std::string& path) {
    CFile file;
    if (file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive) != 0) {
        ShowFileOpenError();
        return;
    }
    // The bytes as they are once the file is open (the receive pane may
    // have grown while the dialog was up); they stay so while a long save
    // runs, however the pane changes meanwhile.
    std::optional<ByteSnapshot> bytes = pane.m_data.Snapshot();
    if (!bytes) {
        ShowFileProblem(FormatText(LoadString(IDS_SAVE_NO_MEMORY), {path}));
        return;
    }
    CBufferSave save(file, std::move(*bytes));
    const bool finished =
        RunTransfer(this, save, IDS_SAVE, IDS_SAVING_FILE, path, m_buttonSaveSend.GetFont());
    // A failing close can mean the last bytes never reached the disk.
    const int closeError = file.Close();
    const int error = save.Error() != 0 ? save.Error() : closeError;
    const std::string written = std::to_string(save.Done());
    const std::string total = std::to_string(save.Total());
    if (!finished) {
        ShowFileProblem(FormatText(LoadString(IDS_SAVE_CANCELED), {written, total, path}));
    } else if (error != 0) {
        ShowFileProblem("Could not write " + path + ": " + SystemErrorText(error) + ".\n" +
                        "The file is incomplete: " + written + " of " + total +
                        " bytes were written.");
    }
}

void CLinkDlg::OnButtonLoad() {
    const auto path = RunFileDialog(false);
    if (!path) return;
    CFile file;
    if (file.Open(*path, CFile::modeReadWrite | CFile::shareExclusive) != 0) {
        ShowFileOpenError();
        return;
    }
    int error = 0;
    const std::int64_t length = file.GetLength(&error);
    if (length < 0) {
        ShowReadError(*path, error);
        return;
    }
    // Read aside, straight into storage of its own: the send pane and the
    // data length stay as they are until the whole file is in, and are
    // kept when it cannot be.
    CBufferLoad load(file);
    if (!load.Begin(length)) {
        ShowFileProblem(
            FormatText(LoadString(IDS_LOAD_NO_MEMORY), {*path, std::to_string(length)}));
        return;
    }
    if (!RunTransfer(this, load, IDS_LOAD, IDS_LOADING_FILE, *path, m_buttonLoad.GetFont())) return;
    if (load.Error() != 0) {
        ShowReadError(*path, load.Error());
        return;
    }
    // A length past the field's type would wrap to a small number that
    // RESIZE might accept and cut the buffer to; the largest value is
    // refused by RESIZE instead.
    constexpr std::int64_t kMaxLength = std::numeric_limits<UINT>::max();
    m_nDataLength = static_cast<UINT>(std::min(load.Done(), kMaxLength));
    UpdateData(false);
    m_sendView.SetData(load.TakeBytes());
    file.Close();
}

void CLinkDlg::OnButtonClear() {
    m_recvView.ResizeData(0);
    ShowReceiveCount(0);
}

void CLinkDlg::OnButtonResize() {
    if (!UpdateData(true)) {
        UpdateData(false);
        return;
    }
    if (m_nDataLength != 0 && !m_sendView.ResizeData(m_nDataLength)) {
        ShowFileProblem(LoadString(IDS_RESIZE_NO_MEMORY));
    }
}

void CLinkDlg::OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* pNMUpDown = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
    // The up arrow proposes a negative change and raises the length. A step
    // held long enough grows; the length stops at 0 and at its type's top
    // instead of wrapping round.
    const long long delta = pNMUpDown->iDelta;
    if (m_nDataLength != 0) {
        if (delta > 0) {
            const auto down = static_cast<unsigned long long>(delta);
            m_nDataLength = down >= m_nDataLength ? 0 : m_nDataLength - static_cast<UINT>(down);
        } else {
            const auto up = static_cast<unsigned long long>(-delta);
            const unsigned long long room = std::numeric_limits<UINT>::max() - m_nDataLength;
            m_nDataLength += static_cast<UINT>(std::min(up, room));
        }
    } else if (delta < 0) {
        m_nDataLength = 1;
    }
    UpdateData(false);
    m_spinDataLength.SetPos(0);
    *pResult = 0;
}
