#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <unistd.h>

// Runs each test in a fresh, empty working directory of its own: KELVOR.INI is
// looked for in the working directory, and ctest runs the tests as separate
// processes side by side.
class WorkDirTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvor-settings-XXXXXX");
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ASSERT_EQ(::chdir(m_dir.c_str()), 0);
    }

    void TearDown() override
    {
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

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
    std::filesystem::path m_previous;
};
