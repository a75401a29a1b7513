// The small system interfaces: the socket start-up check, opening documents
// through the desktop, and topmost placement.

#include "platform/Shell.h"
#include "platform/SocketInit.h"
#include "tests/support/SystemCallRefusal.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

void writeFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Runs the test in a fresh working directory holding help1.htm, with the
// application's installed data in a folder of the test's own that holds
// help1.htm and help2.htm.
class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(installed.isValid());
        writeFile(directory.filePath(QStringLiteral("work/help1.htm")));
        const QString data =
            installed.filePath(QStringLiteral("share/") + QCoreApplication::applicationName());
        writeFile(data + QStringLiteral("/help1.htm"));
        writeFile(data + QStringLiteral("/help2.htm"));
        installedPage = (data + QStringLiteral("/help2.htm")).toStdString();
        savedDataDirs = qgetenv("XDG_DATA_DIRS");
        savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_DIRS", installed.filePath(QStringLiteral("share")).toUtf8());
        qputenv("XDG_DATA_HOME", installed.filePath(QStringLiteral("home")).toUtf8());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(directory.filePath(QStringLiteral("work"))));
        workingPage = QDir::current().absoluteFilePath(QStringLiteral("help1.htm")).toStdString();
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        qputenv("XDG_DATA_DIRS", savedDataDirs);
        qputenv("XDG_DATA_HOME", savedDataHome);
    }

    QTemporaryDir directory;
    QTemporaryDir installed;
    QByteArray savedDataDirs;
    QByteArray savedDataHome;
    QString previous;
    std::string workingPage;
    std::string installedPage;
};

TEST(SocketInit, SucceedsAndFailsWhenNoSocketCanBeMade)
{
    EXPECT_EQ(AfxSocketInit(), TRUE);
    BOOL refused = TRUE;
    const int refusals = runWhereRefused(RefusedCall::Socket, [&] { refused = AfxSocketInit(); });
    ASSERT_GT(refusals, 0) << "the check asked the system for no socket";
    EXPECT_EQ(refused, FALSE);
    EXPECT_EQ(AfxSocketInit(), TRUE);
}

TEST_F(Shell, OpensThePageOfTheWorkingFolderBeforeTheInstalledOne)
{
    ShellRecorder shell;
    ShellExecute(nullptr, nullptr, "help1.htm", "", "", 0);
    ShellExecute(nullptr, nullptr, "help2.htm", "", "", 0);
    EXPECT_EQ(shell.opened(), (std::vector<std::string>{workingPage, installedPage}));
}

TEST_F(Shell, OpensNothingForAPageThatIsNowhere)
{
    ShellRecorder shell;
    ShellExecute(nullptr, nullptr, "help9.htm", "", "", 0);
    ShellExecute(nullptr, nullptr, "/no/such/help1.htm", "", "", 0);
    ShellExecute(nullptr, nullptr, "", "", "", 0);
    EXPECT_TRUE(shell.opened().empty());
}

class TopMost : public ::testing::TestWithParam<bool>
{};

TEST_P(TopMost, HintIsSetWhetherOrNotTheWindowIsShownAndItStaysShown)
{
    const bool shownFirst = GetParam();
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(shownFirst ? dialog.Open() : dialog.Create());
    const QPoint place = dialog.widget()->pos();
    EXPECT_EQ(dialog.SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE), TRUE);
    if (!shownFirst)
        dialog.ShowWindow(SW_SHOW);
    EXPECT_TRUE(isTopMost(dialog));
    EXPECT_TRUE(dialog.widget()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_TRUE(dialog.widget()->windowHandle()->isVisible());
    EXPECT_EQ(dialog.events, std::vector<std::string>{"show 1 hidden"}); // never hidden
    if (shownFirst) {
        EXPECT_EQ(dialog.widget()->pos(), place);
    }
}

INSTANTIATE_TEST_SUITE_P(ShownOrNot, TopMost, ::testing::Bool());

} // namespace
