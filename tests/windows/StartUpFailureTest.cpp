// The program's start on a system that gives it no socket: the socket
// layer's check fails, the user is told, and no window is shown. A test
// executable of its own, since its thread never gets a socket again.

#include "app/RT_UT.h"
#include "res/resource.h"
#include "tests/support/SystemCallRefusal.h"
#include "tests/windows/WindowTest.h"

#include <gtest/gtest.h>

using namespace kelvor::test;

TEST(StartUp, NoSocketIsReportedAndNoWindowShown)
{
    MessageBoxRecorder boxes;
    // The user-interface thread may make no socket, as in a process that may
    // open no more files.
    refuseOnThisThread(RefusedCall::Socket);
    Script script;
    script.never("a window ran", [] { return activeModalTemplate() != 0; });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    ASSERT_GT(refusalsOnThisThread(), 0) << "the start asked the system for no socket";

    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Windows ｿｹｯﾄの初期化に失敗しました。");
    EXPECT_EQ(boxes.shown()[0].caption, "kelvor");
    EXPECT_EQ(boxes.shown()[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}
