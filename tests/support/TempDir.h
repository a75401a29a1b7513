#pragma once

#include <filesystem>
#include <string>

namespace kelvor::test {

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes. Not QTemporaryDir: the tests leave names in
// it that are no UTF-8 (a vendor's CP932 names), which Qt cannot remove.
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
