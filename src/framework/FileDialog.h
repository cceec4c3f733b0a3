#pragma once
// CFileDialog: the common Open and Save As dialogs. The dialog itself is
// the prompts seam's (UserPrompts().FileDialog), so that tests can script
// the user's choice; this class turns the program's way of describing a
// dialog (a double-NUL-terminated filter list, option flags, a 1-based
// filter index) into a request and keeps the answer.

#include <string>
#include <string_view>
#include <vector>

#include "framework/Prompts.h"
#include "framework/WinDef.h"

class CWnd;

// Dialog options.
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;  // ask before replacing a file (Save As)
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;     // no "open as read-only" choice

// The dialog's settings, named as the program sets them before DoModal.
struct OpenFileName {
    DWORD Flags = 0;
    int nFilterIndex = 1;  // 1-based; the entry in use after IDOK
    std::string strTitle;  // empty: the dialog's own title
};

class CFileDialog {
public:
    // pszFilter: pairs of display name and pattern, each NUL-terminated, the
    // list ended by an empty name ("*.bin\0*.bin\0*.*\0*.*\0\0"); null for
    // no filters.
    CFileDialog(bool bOpenFileDialog, std::string_view defaultExtension = {},
                std::string_view fileName = {},
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                const char* pszFilter = nullptr, CWnd* pParentWnd = nullptr);

    // Shows the dialog: IDOK with the choice kept, or IDCANCEL.
    int DoModal();

    // The full path chosen (after IDOK).
    [[nodiscard]] const std::string& GetPathName() const { return m_strPathName; }
    OpenFileName m_ofn;

private:
    // The request that DoModal shows, with the settings of m_ofn.
    [[nodiscard]] FileDialogRequest BuildRequest() const;

    bool m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string m_strFileName;
    std::vector<FileDialogFilter> m_filters;
    CWnd* m_pParentWnd;
    std::string m_strPathName;
};

// Splits a double-NUL-terminated filter list into its entries; a name
// without a pattern at the end is dropped.
[[nodiscard]] std::vector<FileDialogFilter> ParseFileDialogFilter(const char* pszFilter);

// The user's home folder: $HOME, else the home folder of the user's
// account; empty when neither names one. No trailing separator, except for
// the root folder itself.
[[nodiscard]] std::string GetHomeFolder();
