#pragma once

// A fresh, empty working folder for one test: the program looks for
// KELVOR.INI, the program file and the help pages in the working directory.
// The previous working directory comes back and the folder is removed when
// the object goes.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kelvor::test {

class WorkingFolder
{
public:
    WorkingFolder() : m_previous(std::filesystem::current_path())
    {
        std::string pattern = std::filesystem::temp_directory_path() / "kelvor-work-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0)
            std::abort();
        m_path = pattern;
    }

    ~WorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }

    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Writes bytes exactly as given into the folder; returns the file's path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const
    {
        const std::filesystem::path file = m_path / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

} // namespace kelvor::test
