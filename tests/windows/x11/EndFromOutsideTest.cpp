// The whole program ended from outside during an upload, in a process of its
// own (a death test: the test runs afresh there, with a display of its own,
// in the working folder made here, which the environment names).

#include "platform/EndFromOutside.h"

#include "app/ProgramEnd.h"
#include "tests/e2e/EndToEnd.h"

#include <QApplication>
#include <QtTest/qtestspontaneevent.h>
#include <csignal>
#include <gmock/gmock.h>
#include <optional>
#include <xcb/xcb.h>

using namespace kelvor::test;
using testing::HasSubstr;

namespace {

struct OutsideEnd
{
    const char* name;
    void (*end)();
    int exitCode;
};

class EndFromOutside : public ::testing::TestWithParam<OutsideEnd>
{};

TEST_P(EndFromOutside, DuringAnUploadCutsItAndEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::optional<UnitStandIn> unit;
    std::optional<WorkingFolder> folder;
    if (std::getenv("KELVOR_TEST_FOLDER") == nullptr) { // not in the program's process
        UnitStandIn::Options stalling;
        stalling.stallStorAfter = 1 << 20;
        folder.emplace().write("KELVOR.INI",
                               "[KELVOR]\nDEFAULTIP=" + unit.emplace(stalling).address() +
                                   "\nPATH=/\nFILENAME=KELVOR.BIN\n");
        writePatternFile(folder->path() / "KELVOR.BIN", 16 << 20, 7);
        ::setenv("KELVOR_TEST_FOLDER", folder->path().c_str(), 1);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            std::atexit([] { std::_Exit(70); }); // runs first of a usual exit
            fs::current_path(std::getenv("KELVOR_TEST_FOLDER"));
            MessageBoxRecorder boxes; // OK to the confirmation
            Script script;
            script.whenActive("main", IDD_RT_UT_DIALOG, [] { pressKey(Qt::Key_Return); });
            script.whenActive("login", IDD_IPADD, [] {
                for (const int id : {IDC_LOGIN, IDC_PASSWORD})
                    qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, id))->setText("kelvor");
                clickButton(g_dlgIPAdd, IDOK);
            });
            script.whenActive("menu", IDD_SUBMENU, [] { clickButton(g_dlgSubMenu, IDC_UPLOAD); });
            script.when(
                "a second of upload", [] { return g_nElapsed >= 1; }, GetParam().end);
            script.when(
                "the end", [] { return false; }, [] {}, 20s);
            WatchEndsFromOutside(&EndProgramFromOutside);
            theApp.InitInstance();
            std::_Exit(71);
        },
        ::testing::ExitedWithCode(GetParam().exitCode),
        testing::Not(testing::AnyOf(HasSubstr("Sanitizer"), HasSubstr("runtime error"))));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    ::unsetenv("KELVOR_TEST_FOLDER");
    // The unit holds what Cancel leaves: a file cut short.
    ASSERT_TRUE(unit->waitForRecord("received", 10s));
    EXPECT_FALSE(unit->receivedFiles().at(0).complete);
}

void closeTheProgramsXConnection()
{
    xcb_connection_t* server = xcb_connect(nullptr, nullptr);
    xcb_kill_client(server, g_dlgSubMenu.widget()->winId());
    xcb_flush(server);
}

void endTheSession() // as the session manager's "die" does
{
    QEvent quit(QEvent::Quit);
    QSpontaneKeyEvent::setSpontaneous(&quit);
    QCoreApplication::sendEvent(qApp, &quit);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndFromOutside,
                         ::testing::Values(OutsideEnd{"XServerGone", &closeTheProgramsXConnection,
                                                      1},
                                           OutsideEnd{"Sigterm", [] { ::raise(SIGTERM); }, 143},
                                           OutsideEnd{"SessionEnd", &endTheSession, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
