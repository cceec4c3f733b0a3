#include "framework/FileDialog.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

CFileDialog::CFileDialog(bool bOpenFileDialog, std::string_view defaultExtension,
                         std::string_view fileName, DWORD flags, const char* pszFilter,
                         CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(defaultExtension),
      m_strFileName(fileName),
      m_filters(ParseFileDialogFilter(pszFilter)),
      m_pParentWnd(pParentWnd) {
    m_ofn.Flags = flags;
}

FileDialogRequest CFileDialog::BuildRequest() const {
    FileDialogRequest request;
    request.kind = m_bOpenFileDialog ? FileDialogKind::Open : FileDialogKind::SaveAs;
    request.title = m_ofn.strTitle;
    request.initialPath = m_strFileName;
    request.filters = m_filters;
    request.filterIndex = m_ofn.nFilterIndex;
    request.defaultExtension = m_strDefExt;
    request.hideReadOnly = (m_ofn.Flags & OFN_HIDEREADONLY) != 0;
    request.overwritePrompt = (m_ofn.Flags & OFN_OVERWRITEPROMPT) != 0;
    return request;
}

int CFileDialog::DoModal() {
    const std::optional<FileDialogResult> result =
        UserPrompts().FileDialog(m_pParentWnd, BuildRequest());
    if (!result || result->path.empty()) return IDCANCEL;
    m_strPathName = result->path;
    // A dialog that cannot tell which entry was in use keeps the one it
    // opened with.
    const int count = static_cast<int>(m_filters.size());
    if (result->filterIndex >= 1 && result->filterIndex <= count) {
        m_ofn.nFilterIndex = result->filterIndex;
    }
    return IDOK;
}

std::vector<FileDialogFilter> ParseFileDialogFilter(const char* pszFilter) {
    std::vector<FileDialogFilter> filters;
    if (pszFilter == nullptr) return filters;
    const char* p = pszFilter;
    while (*p != '\0') {
        FileDialogFilter filter;
        filter.name = p;
        p += filter.name.size() + 1;
        if (*p == '\0') break;
        filter.pattern = p;
        p += filter.pattern.size() + 1;
        filters.push_back(std::move(filter));
    }
    return filters;
}

std::string GetHomeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
        home = env;
    } else {
        long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}
