#include "framework/qt/ProgressDlg.h"

#include <string>

#include "framework/DialogTemplate.h"
#include "framework/Resources.h"

namespace {

constexpr int IDC_PROGRESS_TEXT = 1001;
constexpr int IDC_PROGRESS_BAR = 1002;
constexpr int IDC_PROGRESS_COUNT = 1003;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP;

// Laid out like the program's other windows: the same font, the same
// control heights and margins, in dialog units.
constexpr DialogItemTemplate kItems[] = {
    {IDC_PROGRESS_TEXT, WC_STATIC, "", kLabel, 0, 7, 7, 226, 8},
    {IDC_PROGRESS_BAR, WC_PROGRESS, "", kChild | WS_BORDER, 0, 7, 19, 226, 10},
    {IDC_PROGRESS_COUNT, WC_STATIC, "", kLabel, 0, 7, 34, 160, 8},
    {IDCANCEL, WC_BUTTON, "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 183, 32, 50, 12},
};

constexpr DialogTemplate kProgressTemplate{
    .id = 0,
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    .exStyle = 0,
    .cx = 240,
    .cy = 51,
    .caption = "",
    .fontFace = "Courier New",
    .pointSize = 8,
    .items = kItems,
    .comboItems = {},
};

}  // namespace

CProgressDlg::CProgressDlg(const ProgressRequest& request, IProgressTask& task, CWnd* pParent)
    : CDialog(kProgressTemplate, pParent), m_request(request), m_task(task) {}

CProgressDlg::~CProgressDlg() = default;

bool CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_request.caption);
    GetDlgItem(IDC_PROGRESS_TEXT)->SetWindowText(m_request.text);
    GetDlgItem(IDCANCEL)->SetWindowText(m_request.cancelText);
    if (m_request.pFont) {
        for (const int id : {IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR, IDC_PROGRESS_COUNT, IDCANCEL}) {
            GetDlgItem(id)->SetFont(m_request.pFont);
        }
    }
    if (auto* bar = dynamic_cast<CProgressCtrl*>(GetDlgItem(IDC_PROGRESS_BAR))) {
        bar->SetRange32(0, kBarRange);
    }
    ShowProgress();
    // Interval 0: a step on every pass of the loop, after the events that
    // were waiting.
    m_stepTimer.Start(0, [this] { RunStep(); });
    return true;
}

void CProgressDlg::RunStep() {
    const bool more = m_task.Step();
    ShowProgress();
    if (!more) {
        m_stepTimer.Stop();
        EndDialog(IDOK);
    }
}

void CProgressDlg::ShowProgress() {
    const std::int64_t done = m_task.Done();
    const std::int64_t total = m_task.Total();
    const std::int64_t position = total > 0 ? done * kBarRange / total : kBarRange;
    if (auto* bar = dynamic_cast<CProgressCtrl*>(GetDlgItem(IDC_PROGRESS_BAR))) {
        bar->SetPos(static_cast<int>(position));
    }
    GetDlgItem(IDC_PROGRESS_COUNT)
        ->SetWindowText(
            FormatText(m_request.countFormat, {std::to_string(done), std::to_string(total)}));
}

void CProgressDlg::OnOK() {}

void CProgressDlg::OnCancel() {
    m_stepTimer.Stop();
    EndDialog(IDCANCEL);
}
