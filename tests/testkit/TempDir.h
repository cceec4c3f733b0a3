#pragma once
// A folder of its own for each test, removed with everything in it.

#include <stdlib.h>

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }
    [[nodiscard]] bool Empty() const { return std::filesystem::is_empty(m_path); }

private:
    std::filesystem::path m_path;
};
