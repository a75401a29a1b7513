// Modal and modeless dialogs: owners disabled and given back, show-window
// notices, placement, and modeless windows that keep working while a modal
// chain runs over their disabled owner.

#include "res/resource.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace probe;

namespace {

using Events = std::vector<std::string>;

void expectCentredOver(const QRect& window, const QRect& reference)
{
    EXPECT_LE((window.center() - reference.center()).manhattanLength(), 1)
        << "window centre " << window.center().x() << "," << window.center().y()
        << " reference centre " << reference.center().x() << "," << reference.center().y();
}

} // namespace

TEST(Modal, DisablesTheOwnerChainAndGivesItBackAtEndDialog)
{
    ProbeDialog main(DialogResource(IDD_RT_UT_DIALOG));
    ASSERT_TRUE(main.Open());
    MainWindowScope scope(&main);
    ProbeDialog menu(DialogResource(IDD_SUBMENU));
    ProbeDialog confirm(kNoDefault);

    Script script;
    script.when(
        "menu active", [&] { return isActive(menu); },
        [&] {
            EXPECT_EQ(ownerWindowOf(menu), main.widget());
            EXPECT_FALSE(main.IsWindowEnabled());
            EXPECT_EQ(confirm.DoModal(), IDCANCEL);
            EXPECT_TRUE(menu.IsWindowEnabled());
            EXPECT_FALSE(main.IsWindowEnabled());
            EXPECT_TRUE(waitFor([&] { return isActive(menu); }));
            menu.EndDialog(IDOK);
        });
    script.when(
        "confirmation active", [&] { return isActive(confirm); },
        [&] {
            EXPECT_EQ(ownerWindowOf(confirm),
                      menu.widget()); // the running modal dialog, not the main window
            EXPECT_FALSE(menu.IsWindowEnabled());
            pressKey(Qt::Key_Escape);
        });
    EXPECT_EQ(menu.DoModal(), IDOK);
    EXPECT_TRUE(main.IsWindowEnabled());
    EXPECT_TRUE(waitFor([&] { return isActive(main); }));

    // Shown once each, before they were visible; EndDialog hid them without
    // a notice.
    EXPECT_EQ(menu.events, (Events{"show 1 hidden"}));
    EXPECT_EQ(confirm.events, (Events{"show 1 hidden", "Cancel"}));
    EXPECT_EQ(menu.widget(), nullptr);
}

TEST(Modeless, ShowWindowNotifiesEveryShowAndHideBeforeItHappens)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(dialog.events.empty());
    EXPECT_EQ(dialog.ShowWindow(SW_SHOW), FALSE);
    EXPECT_EQ(dialog.ShowWindow(SW_HIDE), TRUE);
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_EQ(dialog.ShowWindow(SW_SHOW), FALSE);
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_EQ(dialog.events, (Events{"show 1 hidden", "show 0 visible", "show 1 hidden"}));
}

TEST(Modeless, MainWindowIsCentredOnTheScreenAndOwnsParentlessWindows)
{
    ProbeDialog main(DialogResource(IDD_RT_UT_DIALOG));
    ASSERT_TRUE(main.Open());
    expectCentredOver(main.widget()->frameGeometry(),
                      QGuiApplication::primaryScreen()->availableGeometry());
    MainWindowScope scope(&main);
    main.widget()->move(30, 40);

    ProbeDialog progress(DialogResource(IDD_UPLOAD));
    ASSERT_TRUE(progress.Create());
    EXPECT_EQ(ownerWindowOf(progress), main.widget());
    EXPECT_FALSE(progress.IsWindowVisible());
    // Placed on top before it shows, as the progress windows do; the window
    // system must still know its owner.
    progress.SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    progress.ShowWindow(SW_SHOW);
    EXPECT_EQ(progress.widget()->windowHandle()->transientParent(), main.widget()->windowHandle());
    expectCentredOver(progress.widget()->frameGeometry(), main.widget()->frameGeometry());
}

TEST(Modeless, DefaultOKReadsTheControlsAndOnlyHides)
{
    ProbeDialog dialog(kNoDefault);
    dialog.textId = kEdit;
    ASSERT_TRUE(dialog.Open());
    typeText(QStringLiteral("abc"));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(dialog.text, "abc");
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_NE(dialog.GetSafeHwnd(), nullptr); // hidden, not destroyed
    EXPECT_EQ(dialog.events, (Events{"show 1 hidden", "OK"}));
}

// Qt would block every window but the modal one, and disabling a window
// would disable the windows it owns. The progress windows must keep taking
// clicks and keys while the operations menu runs modally, disabled itself.
TEST(Modeless, WindowOfTheDisabledMainWindowWorksWhileAModalChainRuns)
{
    ProbeDialog main(DialogResource(IDD_RT_UT_DIALOG));
    ASSERT_TRUE(main.Open());
    MainWindowScope scope(&main);
    ProbeDialog progress(DialogResource(IDD_UPLOAD));
    progress.passDefaults = false;
    ASSERT_TRUE(progress.Create());
    ProbeDialog menu(DialogResource(IDD_SUBMENU));

    Script script;
    script.when(
        "menu active", [&] { return isActive(menu); },
        [&] {
            progress.ShowWindow(SW_SHOW);
            menu.EnableWindow(FALSE); // as the menu does while an operation runs
            EXPECT_FALSE(main.IsWindowEnabled());
            EXPECT_TRUE(progress.IsWindowEnabled());
            EXPECT_TRUE(waitFor([&] { return isActive(progress); }));

            // Through the window system, where Qt's modal blocking would act.
            QWindow* window = progress.widget()->windowHandle();
            QWidget* cancel = controlOf(progress, IDOK);
            progress.events.clear();
            QTest::mouseClick(window, Qt::LeftButton, {},
                              cancel->mapTo(progress.widget(), cancel->rect().center()));
            QTest::keyClick(window, Qt::Key_Return);
            QTest::keyClick(window, Qt::Key_Escape);
            EXPECT_EQ(progress.events, (Events{"OK", "OK", "Cancel"}));

            menu.EnableWindow(TRUE);
            menu.EndDialog(IDCANCEL);
        });
    EXPECT_EQ(menu.DoModal(), IDCANCEL);
    EXPECT_TRUE(progress.IsWindowEnabled());
}
