#pragma once

#include <filesystem>
#include <string>

namespace kelvor::test {

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes.
class TempDir
{
public:
    explicit TempDir(const std::string& prefix = "kelvor-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace kelvor::test
