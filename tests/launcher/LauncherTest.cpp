// The installed launcher, started as the menu entry starts it, against the
// installed program: where the program ends up running, and what is written
// where. The tree is the build's own install to a folder of the test's.

#include "tests/support/ChildProcess.h"
#include "tests/support/Poll.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kelvor::test::ChildProcess;
using kelvor::test::readFile;
using kelvor::test::TempDir;

namespace {

const fs::path kPrefix = KELVOR_TEST_INSTALL_PREFIX;
const fs::path kLauncher = kPrefix / "libexec" / "kelvor" / "kelvor-launcher";
const fs::path kProgram = kPrefix / "bin" / "kelvor";

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds bound = 20s)
{
    return kelvor::test::pollUntil(condition, bound, 20ms);
}

fs::path link(pid_t pid, const char* which)
{
    std::error_code error;
    return fs::read_symlink(fs::path("/proc") / std::to_string(pid) / which, error);
}

// Every file in a folder with its content, to see that nothing changed.
std::map<fs::path, std::string> snapshot(const fs::path& folder)
{
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path()] = entry.is_regular_file() ? readFile(entry.path()) : "<folder>";
    return files;
}

class Launcher : public ::testing::Test
{
protected:
    Launcher()
    {
        fs::create_directory(m_home);
        ::setenv("HOME", m_home.c_str(), 1);
    }

    ChildProcess& start(std::vector<std::string> args)
    {
        m_process = std::make_unique<ChildProcess>(
            ChildProcess::Setup{kLauncher.string(), std::move(args), m_output.string(), false});
        return *m_process;
    }

    bool programRuns() const { return link(m_process->pid(), "exe") == fs::canonical(kProgram); }

    TempDir m_dir;
    fs::path m_home = m_dir.path() / "home";
    fs::path m_output = m_dir.path() / "launcher.out";
    std::unique_ptr<ChildProcess> m_process;
};

// The entry is written at install time: an install to another prefix than
// the configured one names its own launcher, and hands it the file opened.
TEST(InstalledMenuEntry, StartsThisInstallsLauncherWithTheFileOpened)
{
    const std::string entry =
        readFile(kPrefix / "share/applications/jp.kelvor.ProgramUpload.desktop");
    EXPECT_NE(entry.find("\nExec=" + kLauncher.string() + " %f\n"), std::string::npos) << entry;
}

TEST_F(Launcher, FromTheMenuTheProgramRunsInTheOwnFolderLaidOutFromTheInstall)
{
    start({});
    ASSERT_TRUE(eventually([&] { return programRuns(); })) << readFile(m_output);
    EXPECT_EQ(link(m_process->pid(), "cwd"), m_home / "KELVOR");
    for (const char* name : {"KELVOR.INI", "help1.htm", "help2.htm", "help3.htm"})
        EXPECT_EQ(readFile(m_home / "KELVOR" / name), readFile(kPrefix / "share/kelvor" / name))
            << name;
}

TEST_F(Launcher, AVendorsKelvorIniRunsTheProgramThereAndNothingIsWritten)
{
    const fs::path vendor = m_dir.path() / "stick";
    fs::create_directory(vendor);
    kelvor::test::writeFile(vendor / "KELVOR.INI", "[KELVOR]\nPATH=/prog/\nFILENAME=A.BIN\n");
    kelvor::test::writeFile(vendor / "A.BIN", "program");
    const auto before = snapshot(vendor);

    start({(vendor / "KELVOR.INI").string()});
    ASSERT_TRUE(eventually([&] { return programRuns(); })) << readFile(m_output);
    EXPECT_EQ(link(m_process->pid(), "cwd"), vendor);
    m_process->terminate();

    EXPECT_EQ(snapshot(vendor), before);
    EXPECT_TRUE(fs::is_empty(m_home));
}

// The refusal is a window the operator answers; the program never starts
// and nothing is laid out.
TEST_F(Launcher, AnotherFileIsRefusedOnTheDesktopByName)
{
    const fs::path other = m_dir.path() / "notes.txt";
    kelvor::test::writeFile(other, "text");

    start({other.string()});
    ASSERT_TRUE(eventually([&] {
        return readFile(m_output).find("は KELVOR.INI ではありません") != std::string::npos;
    })) << readFile(m_output);
    EXPECT_NE(readFile(m_output).find(other.string()), std::string::npos);
    // Up to its message box: the platform plugin is loaded, and the
    // launcher has neither ended nor become the program.
    ASSERT_TRUE(eventually([&] {
        return readFile(fs::path("/proc") / std::to_string(m_process->pid()) / "maps")
                   .find("libqoffscreen") != std::string::npos;
    }));
    EXPECT_FALSE(m_process->hasExited());
    EXPECT_EQ(link(m_process->pid(), "exe"), fs::canonical(kLauncher));
    EXPECT_TRUE(fs::is_empty(m_home));
}

} // namespace
