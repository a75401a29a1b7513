// The whole program ended from outside during an upload: the X server's
// connection lost, SIGTERM, the session's end. Each cuts the upload as
// Cancel does and ends the process at once, before anything static is
// destroyed. The program runs in a process of its own (a death test, which
// starts the test afresh with a display of its own); it uses the unit and
// the working folder the test made, named in the environment.

#include "platform/EndFromOutside.h"

#include "app/ProgramEnd.h"
#include "app/RT_UT.h"
#include "app/RT_UTDlg.h"
#include "connection/IPAdd.h"
#include "res/resource.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnitStandIn.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/WorkingFolder.h"
#include "transfer/OperationState.h"
#include "transfer/SubMenu.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest/qtestspontaneevent.h>
#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>
#include <xcb/xcb.h>

using namespace kelvor::test;
using namespace std::chrono_literals;

namespace {

struct OutsideEnd
{
    const char* name;
    void (*end)();
    int exitCode;
};

void PrintTo(const OutsideEnd& value, std::ostream* out)
{
    *out << value.name;
}

class EndFromOutside : public ::testing::TestWithParam<OutsideEnd>
{};

TEST_P(EndFromOutside, DuringAnUploadCutsItAndEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::optional<UnitStandIn> unit;
    std::optional<WorkingFolder> folder;
    if (std::getenv("KELVOR_TEST_UNIT") == nullptr) { // not in the program's process
        UnitStandIn::Options options;
        options.stallStorAfter = 1024 * 1024;
        unit.emplace(options);
        folder.emplace();
        folder->write("KELVOR.INI", "[KELVOR]\nDEFAULTIP=" + unit->address() +
                                        "\nPATH=/prog/\nFILENAME=KELVOR.BIN\n");
        writePatternFile(folder->path() / "KELVOR.BIN", 16 * 1024 * 1024, 7);
        std::filesystem::create_directories(unit->root() / "prog");
        ::setenv("KELVOR_TEST_UNIT", folder->path().c_str(), 1);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            std::atexit([] { std::_Exit(70); }); // the first of a usual exit
            if (::chdir(std::getenv("KELVOR_TEST_UNIT")) != 0)
                std::_Exit(72);
            MessageBoxRecorder boxes; // OK to the confirmation
            Script script;
            script.whenActive("main window", IDD_RT_UT_DIALOG,
                              [] { clickButton(*activeModalDialog(), IDOK); });
            script.whenActive("connection dialog", IDD_IPADD, [] {
                for (const int id : {IDC_LOGIN, IDC_PASSWORD})
                    qobject_cast<QLineEdit*>(controlOf(g_dlgIPAdd, id))->setText("kelvor");
                clickButton(g_dlgIPAdd, IDOK);
            });
            script.whenActive("menu", IDD_SUBMENU, [] { clickButton(g_dlgSubMenu, IDC_UPLOAD); });
            script.when(
                "a second of the upload",
                [] { return g_nStatus.load() == STATUS_RUNNING && g_nElapsed >= 1; },
                GetParam().end);
            script.when(
                "the end", [] { return false; }, [] {}, 20s);
            WatchEndsFromOutside(&EndProgramFromOutside);
            theApp.InitInstance();
            std::_Exit(71);
        },
        ::testing::ExitedWithCode(GetParam().exitCode),
        ::testing::AllOf(::testing::Not(::testing::HasSubstr("Sanitizer")),
                         ::testing::Not(::testing::HasSubstr("runtime error"))));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    ::unsetenv("KELVOR_TEST_UNIT");

    // What the unit holds is what Cancel leaves: a file cut short.
    ASSERT_TRUE(unit->waitForRecord("received", 10s));
    ASSERT_EQ(unit->receivedFiles().size(), 1u);
    EXPECT_FALSE(unit->receivedFiles()[0].complete);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, EndFromOutside,
    ::testing::Values(OutsideEnd{"XServerGone",
                                 [] {
                                     // As when the server goes: it closes the program's connection.
                                     xcb_connection_t* server = xcb_connect(nullptr, nullptr);
                                     xcb_kill_client(server, g_dlgSubMenu.widget()->winId());
                                     xcb_flush(server);
                                 },
                                 1},
                      OutsideEnd{"Sigterm", [] { ::kill(::getpid(), SIGTERM); }, 128 + SIGTERM},
                      OutsideEnd{"SessionEnd",
                                 [] {
                                     QEvent quit(
                                         QEvent::Quit); // what the session manager's "die" gives
                                     QSpontaneKeyEvent::setSpontaneous(&quit);
                                     QCoreApplication::sendEvent(qApp, &quit);
                                 },
                                 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
