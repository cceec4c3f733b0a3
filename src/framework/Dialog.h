#pragma once
// CDialog: a window built from a dialog template, run modally (DoModal runs
// a nested event loop until EndDialog) or created modeless (Create). It
// owns the dialog manager's keyboard rules: Enter activates the default
// push button (or IDOK), Escape sends IDCANCEL, Tab moves between tab stops
// unless the focused control wants the key for itself.

#include <cstdint>
#include <memory>

#include "framework/Wnd.h"

class CDataExchange;
struct DialogTemplate;
class DialogHost;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // A dialog of the framework's own, whose template is not among the
    // program's resources; the template must outlive the dialog.
    explicit CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window, runs it until EndDialog and destroys it; returns
    // the value given to EndDialog, or -1 when the window cannot be made.
    virtual std::intptr_t DoModal();
    // Creates the window without a modal loop (tools and tests).
    bool Create(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);
    void DestroyWindow();
    // Ends the modal run (or hides a modeless dialog) with nResult.
    void EndDialog(int nResult);
    [[nodiscard]] bool IsModalRunning() const;

    // TRUE: controls to values with validation; FALSE: values to controls.
    bool UpdateData(bool bSaveAndValidate = true);

    void GotoDlgCtrl(CWnd* pWndCtrl);
    void NextDlgCtrl();
    void PrevDlgCtrl();
    // The id of the default push button, or IDOK when there is none.
    [[nodiscard]] int GetDefID() const;

    // The dialog manager's handling of a key message; true if consumed.
    bool IsDialogMessage(MSG* pMsg);

    [[nodiscard]] const DialogTemplate* Template() const { return m_pTemplate; }
    // Converts a rectangle in dialog units to pixels (template font's base units).
    void MapDialogRect(CRect* pRect) const;
    [[nodiscard]] CPoint BaseUnits() const;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    bool PreTranslateMessage(MSG* pMsg) override;
    [[nodiscard]] const MessageMap* GetMessageMap() const override;
    static const MessageMap* GetThisMessageMap();
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool CreateFromTemplate();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    const DialogTemplate* m_pOwnTemplate = nullptr;
    const DialogTemplate* m_pTemplate = nullptr;
    std::unique_ptr<DialogHost> m_pHost;
};
