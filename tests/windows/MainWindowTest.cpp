// The main window and the program's start, run through the application
// object as the program runs them.

#include "app/RT_UT.h"
#include "app/RT_UTDlg.h"
#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/support/WorkingFolder.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace kelvor::test;

namespace {

CDialog* mainWindow()
{
    return dynamic_cast<CDialog*>(AfxGetMainWnd());
}

class MainWindow : public ::testing::Test
{
protected:
    MessageBoxRecorder boxes;
    ShellRecorder shell;
};

TEST_F(MainWindow, ShowsItsTemplateWithStartAsDefaultAndFocused)
{
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] {
        CDialog& dialog = *mainWindow();
        EXPECT_EQ(dialog.widget()->windowTitle(),
                  QStringLiteral("ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ"));
        EXPECT_EQ(dialog.widget()->size(), QSize(401, 218));
        auto* start = qobject_cast<QPushButton*>(controlOf(dialog, IDOK));
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(start->text(), QStringLiteral("開始"));
        EXPECT_TRUE(start->isDefault());
        EXPECT_EQ(QApplication::focusWidget(), start);

        // Tab goes through the buttons in template order and wraps.
        pressKey(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), controlOf(dialog, IDCANCEL));
        pressKey(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), controlOf(dialog, IDHELP));
        pressKey(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), start);
        pressKey(Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), controlOf(dialog, IDHELP));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
}

TEST_F(MainWindow, EveryWindowCarriesTheProgramsIconInEverySize)
{
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [] {
        for (CWnd* window : {AfxGetMainWnd(), static_cast<CWnd*>(&g_dlgIPAdd)}) {
            const QIcon icon = window->widget()->windowIcon();
            ASSERT_FALSE(icon.isNull());
            QList<int> sizes;
            for (const QSize& size : icon.availableSizes())
                sizes << size.width();
            EXPECT_EQ(sizes, (QList<int>{16, 22, 24, 32, 48, 64, 128, 256}));
            // The pixels came out of the program itself.
            EXPECT_FALSE(icon.pixmap(48).toImage().isNull());
        }
        clickButton(g_dlgIPAdd, IDCANCEL);
    });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
}

// Exit, Escape and the close box end the program at once, with nothing said.
class MainWindowEnds : public MainWindow, public ::testing::WithParamInterface<int>
{};

TEST_P(MainWindowEnds, WithoutAWordOrTheConnectionDialog)
{
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] {
        CDialog& dialog = *mainWindow();
        switch (GetParam()) {
        case 0:
            clickButton(dialog, IDCANCEL);
            break;
        case 1:
            pressKey(Qt::Key_Escape);
            break;
        default:
            dialog.widget()->close();
            break;
        }
    });
    script.never("the connection dialog ran", [] { return activeModalTemplate() == IDD_IPADD; });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(shell.opened().empty());
    EXPECT_EQ(g_dlgIPAdd.widget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(ExitEscapeCloseBox, MainWindowEnds, ::testing::Values(0, 1, 2));

TEST_F(MainWindow, HelpOpensTheFirstPageAndStays)
{
    WorkingFolder folder;
    const std::string page = folder.write("help1.htm", "<html></html>").string();
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { clickButton(*mainWindow(), IDHELP); });
    script.when(
        "help opened", [this] { return !shell.opened().empty(); },
        [this, page] {
            EXPECT_EQ(shell.opened(), std::vector<std::string>{page});
            EXPECT_EQ(activeModalTemplate(), IDD_RT_UT_DIALOG);
            EXPECT_TRUE(mainWindow()->IsWindowVisible());
            mainWindow()->EndDialog(IDCANCEL);
        });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(MainWindow, StartThenCancelEndsTheWholeProgram)
{
    bool cancelled = false;
    Script script;
    script.whenActive("main window", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
    script.whenActive("connection dialog", IDD_IPADD, [&] {
        EXPECT_FALSE(mainWindow()->IsWindowEnabled());
        cancelled = true;
        clickButton(g_dlgIPAdd, IDCANCEL);
    });
    // Back means running as the innermost modal window again, and shown.
    // Between the click and the main window's end, the main window is
    // briefly enabled and shown under the closing connection dialog (the
    // owner comes back before the dialog goes); that is not coming back.
    script.never("the main window came back", [&] {
        return cancelled && activeModalTemplate() == IDD_RT_UT_DIALOG && mainWindow() != nullptr &&
               mainWindow()->IsWindowVisible();
    });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(g_dlgIPAdd.widget(), nullptr);
    EXPECT_TRUE(boxes.shown().empty());
}

} // namespace
