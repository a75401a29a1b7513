#pragma once

// A fresh, empty working folder for one test: the program looks for
// KELVOR.INI, the program file and the help pages in the working directory.
// The previous working directory comes back and the folder is removed when
// the object goes.

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kelvor::test {

class WorkingFolder
{
public:
    WorkingFolder() : m_previous(std::filesystem::current_path()), m_dir("kelvor-work")
    {
        std::error_code error;
        std::filesystem::current_path(m_dir.path(), error);
        if (error)
            std::abort();
    }

    ~WorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
    }

    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return m_dir.path(); }

    // Writes bytes exactly as given into the folder; returns the file's path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const
    {
        const std::filesystem::path file = path() / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path m_previous;
    TempDir m_dir;
};

} // namespace kelvor::test
