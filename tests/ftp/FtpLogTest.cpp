// The support log of the FTP dialogue: silent unless switched on; when on,
// every command and reply on standard error, the password never, and each
// failure with libcurl's result and the unit's last reply.

#include "connection/FtpLog.h"

#include "tests/ftp/FtpTestPeers.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestFiles.h"

#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kelvor::test {
namespace {

constexpr const char* kPassword = "s3cr3t-Pw";

// Standard error of this process goes to a file while the object lives.
class StderrCapture
{
public:
    explicit StderrCapture(const std::filesystem::path& file) : m_file(file)
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { finish(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Gives standard error back and returns what was written to it.
    std::string finish()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
        return readFile(m_file);
    }

private:
    std::filesystem::path m_file;
    int m_saved = -1;
};

// A session with a failure the unit reports (a refused STOR), a success, and
// a failure without any reply (a path refused before the wire). Returns
// what the failed upload ended with.
struct Session
{
    int refusedCurlCode = 0;
    std::string refusedReply;
};

Session runSession(UnitStandIn& unit, const std::filesystem::path& source)
{
    Session seen;
    auto connection = connectTo(unit);
    EXPECT_EQ(connection->PutFile(source.string(), "KELVOR.bin"), FALSE);
    seen.refusedCurlCode = connection->LastCurlCode();
    seen.refusedReply = connection->LastReplyLine();
    EXPECT_EQ(connection->PutFile(source.string(), "KELVOR.bin"), TRUE);
    EXPECT_EQ(connection->Remove("a\nb"), FALSE);
    return seen;
}

UnitStandIn::Options unitOptions()
{
    UnitStandIn::Options options;
    options.password = kPassword;
    options.refusals.push_back({"STOR", 553, 1});
    return options;
}

struct Switch
{
    const char* name;
    const char* rules; // nullptr: Qt's defaults
    bool writes;
};

void PrintTo(const Switch& value, std::ostream* out)
{
    *out << value.name;
}

class FtpLogSwitch : public ::testing::TestWithParam<Switch>
{
protected:
    void SetUp() override
    {
        if (GetParam().rules != nullptr)
            QLoggingCategory::setFilterRules(QString::fromLatin1(GetParam().rules));
        writeFile(source, "program");
    }
    void TearDown() override { QLoggingCategory::setFilterRules(QString()); }

    TempDir local{"kelvor-log"};
    std::filesystem::path source = local.path() / "program.bin";
};

TEST_P(FtpLogSwitch, WritesTheDialogueOnlyWhenSwitchedOn)
{
    UnitStandIn unit(unitOptions());
    StderrCapture capture(local.path() / "stderr.txt");
    const Session session = runSession(unit, source);
    const std::string written = capture.finish();

    EXPECT_EQ(ftp_log::enabled(), GetParam().writes);
    if (!GetParam().writes) {
        EXPECT_EQ(written, "");
        return;
    }
    EXPECT_EQ(written.find(kPassword), std::string::npos) << written;
    const std::vector<std::string> expectedLines = {
        "kelvor.ftp: > USER kelvor\n",
        "kelvor.ftp: > PASS ****\n",
        "kelvor.ftp: < 230 ",
        "kelvor.ftp: > STOR KELVOR.bin\n",
        "kelvor.ftp: < 553 ",
        "kelvor.ftp: < 226 ",
        // The failure the unit reported, with its reply.
        "kelvor.ftp: upload of KELVOR.bin failed: libcurl result " +
            std::to_string(session.refusedCurlCode) + " (" +
            curl_easy_strerror(static_cast<CURLcode>(session.refusedCurlCode)) +
            "), last reply: " + session.refusedReply + "\n",
        // The one that never reached the unit.
        "kelvor.ftp: removal of a\\x0Ab failed: libcurl result 3 (" +
            std::string(curl_easy_strerror(CURLE_URL_MALFORMAT)) + "), last reply: none\n",
    };
    for (const std::string& expected : expectedLines) {
        EXPECT_NE(written.find(expected), std::string::npos) << expected << "\nin:\n" << written;
    }
    EXPECT_EQ(session.refusedReply.rfind("553 ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rules, FtpLogSwitch,
                         ::testing::Values(Switch{"QtDefaults", nullptr, false},
                                           Switch{"OnlyWarningsOn", "kelvor.ftp.warning=true",
                                                  false},
                                           Switch{"AllOff", "kelvor.ftp=false", false},
                                           Switch{"DebugOn", "kelvor.ftp.debug=true", true},
                                           Switch{"AllOn", "kelvor.ftp=true", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The switch a support engineer uses, in a process of its own so that Qt
// reads it at the start.
TEST(FtpLogDeathTest, TheEnvironmentSwitchesItOn)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("QT_LOGGING_RULES", "kelvor.ftp.debug=true", 1);
            {
                UnitStandIn unit(unitOptions());
                connectTo(unit);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "kelvor.ftp: > PASS \\*\\*\\*\\*");
}

// How a line is shown, whatever the unit or the program puts in it.
struct Shown
{
    std::string line;
    std::string shown;
};

class FtpLogCommandLine : public ::testing::TestWithParam<Shown>
{};

TEST_P(FtpLogCommandLine, ShowsNoPasswordAndNoControlByte)
{
    EXPECT_EQ(ftp_log::shownCommand(GetParam().line), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Lines, FtpLogCommandLine,
                         ::testing::Values(Shown{"PASS secret", "PASS ****"},
                                           Shown{"pass secret", "pass ****"},
                                           Shown{"PASS ", "PASS ****"}, Shown{"PASS", "PASS ****"},
                                           Shown{"PASSWORD x", "PASSWORD x"},
                                           Shown{"USER kelvor", "USER kelvor"},
                                           Shown{"DELE a\rb\x7f", "DELE a\\x0Db\\x7F"},
                                           Shown{"NLST /プログラム/", "NLST /プログラム/"}));

} // namespace
} // namespace kelvor::test
