#pragma once

#include "tests/support/WorkingFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

// Runs each test in a fresh, empty working directory of its own: KELVOR.INI is
// looked for in the working directory, and ctest runs the tests as separate
// processes side by side.
class WorkDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder.emplace();
        m_dir = m_folder->path();
    }

    void TearDown() override { m_folder.reset(); }

    // Writes the bytes exactly as given, line ends included, into the working
    // directory and returns the file's absolute path.
    static std::string write(std::string_view bytes, const std::string& name = "KELVOR.INI")
    {
        const std::filesystem::path path = std::filesystem::current_path() / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path m_dir;

private:
    std::optional<kelvor::test::WorkingFolder> m_folder;
};
