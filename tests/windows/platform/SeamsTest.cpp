// The small system seams: the socket start-up check, opening documents
// through the desktop, and topmost placement.

#include "platform/Shell.h"
#include "platform/SocketInit.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

// Receives what the desktop would open, so nothing is opened for real.
class DesktopRecorder : public QObject
{
    Q_OBJECT

public:
    DesktopRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~DesktopRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

// Runs the test in a fresh working directory holding help1.htm.
class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        QFile page(directory.filePath(QStringLiteral("help1.htm")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(directory.path()));
        absolute = QDir::current().absoluteFilePath(QStringLiteral("help1.htm")).toStdString();
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QTemporaryDir directory;
    QString previous;
    std::string absolute;
    DesktopRecorder desktop;
};

} // namespace

TEST(SocketInit, SucceedsForRealAndFailsOnlyWhenTold)
{
    EXPECT_EQ(AfxSocketInit(), TRUE);
    SetSocketInitFailureForTesting(true);
    EXPECT_EQ(AfxSocketInit(), FALSE);
    SetSocketInitFailureForTesting(false);
    EXPECT_EQ(AfxSocketInit(), TRUE);
}

TEST_F(Shell, HookGetsTheAbsolutePathOrTheBareNameAndNothingOpens)
{
    {
        ShellRecorder shell;
        ShellExecute(nullptr, nullptr, "help1.htm", "", "", 0);
        ShellExecute(nullptr, nullptr, "help9.htm", "", "", 0);
        EXPECT_EQ(shell.opened(), (std::vector<std::string>{absolute, "help9.htm"}));
    }
    EXPECT_TRUE(desktop.opened.isEmpty());
}

TEST_F(Shell, WithoutTheHookOpensAnExistingFileOnly)
{
    ShellExecute(nullptr, nullptr, "help9.htm", "", "", 0);
    EXPECT_TRUE(desktop.opened.isEmpty());
    ShellExecute(nullptr, nullptr, "help1.htm", "", "", 0);
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(absolute))});
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
    EXPECT_TRUE(dialog.IsTopMost());
    EXPECT_TRUE(dialog.widget()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_TRUE(dialog.widget()->windowHandle()->isVisible());
    EXPECT_EQ(dialog.events, std::vector<std::string>{"show 1 hidden"}); // never hidden
    if (shownFirst) {
        EXPECT_EQ(dialog.widget()->pos(), place);
    }
}

INSTANTIATE_TEST_SUITE_P(ShownOrNot, TopMost, ::testing::Bool());

#include "SeamsTest.moc"
