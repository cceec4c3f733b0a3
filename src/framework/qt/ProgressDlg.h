#pragma once
// CProgressDlg: the modal window under which a long task runs: a line that
// says what runs, a bar, the count done of the whole, and Cancel. The task
// goes one step per pass of the event loop, so socket notifications and
// repaints are served between the steps. Cancel, Escape and the close box
// stop it; Enter does nothing, so a key meant for the main window cannot
// end the run.

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Prompts.h"
#include "framework/qt/Timer.h"

class CProgressDlg : public CDialog {
public:
    // DoModal gives IDOK once the task has no more steps, IDCANCEL when the
    // user canceled it first.
    CProgressDlg(const ProgressRequest& request, IProgressTask& task, CWnd* pParent = nullptr);
    ~CProgressDlg() override;

    // The bar's range: fine enough for any window width.
    static constexpr int kBarRange = 1000;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void RunStep();
    void ShowProgress();

    const ProgressRequest& m_request;
    IProgressTask& m_task;
    CRepeatingTimer m_stepTimer;
};
