// The upload's progress window, stepped tick by tick.

#include "tests/windows/dialogs/ProgressWindowTest.h"
#include "transfer/Upload.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <thread>

using namespace kelvor::test;

namespace {

const std::string kUploadWait = "　　　　　　しばらくお待ちください。";
const std::string kElapsedPrefix = "　　　　　　　経過時間　";

class UploadWindow : public ProgressWindowTest
{
protected:
    CUpload* window = nullptr;
};

TEST_F(UploadWindow, FirstUploadBlinksFromBlankAndCountsOnTheWaitText)
{
    runWithWindow(window, [&] {
        EXPECT_EQ(window->widget()->windowTitle(), QStringLiteral("ｱｯﾌﾟﾛｰﾄﾞ中"));
        EXPECT_TRUE(window->IsWindowVisible());
        EXPECT_TRUE(isTopMost(*window));
        EXPECT_TRUE(timerRunning(*window, 1));
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), "");
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), "");

        tick(*window);
        EXPECT_EQ(g_nBlink, 1);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), "");
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + "0分00秒");

        tick(*window);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), kUploadWait);
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + "0分01秒");
        EXPECT_EQ(g_szElapsedText, kElapsedPrefix + "0分01秒");
        EXPECT_TRUE(boxes.shown().empty());
    });
}

TEST_F(UploadWindow, PhaseLeftByAnEarlierOperationIsKeptButTheCountRestarts)
{
    g_nBlink = 1;
    g_nElapsed = 500;
    runWithWindow(window, [&] {
        EXPECT_EQ(g_nElapsed, 0); // showing the window restarts the count
        tick(*window);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), kUploadWait);
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + "0分01秒");
    });
}

class ElapsedLine : public UploadWindow,
                    public ::testing::WithParamInterface<std::pair<int, const char*>>
{};

TEST_P(ElapsedLine, ShowsMinutesUnpaddedAndSecondsInTwoDigits)
{
    runWithWindow(window, [&] {
        g_nBlink = 1; // the next tick shows the wait text and counts
        g_nElapsed = GetParam().first - 1;
        tick(*window);
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + GetParam().second);
    });
}

INSTANTIATE_TEST_SUITE_P(Seconds, ElapsedLine,
                         ::testing::Values(std::pair{1, "0分01秒"}, std::pair{59, "0分59秒"},
                                           std::pair{60, "1分00秒"}, std::pair{75, "1分15秒"},
                                           std::pair{3600, "60分00秒"},
                                           std::pair{6001, "100分01秒"}));

TEST_F(UploadWindow, FailureIsReportedThenTheMenuComesBack)
{
    bool timerStoppedBeforeTheBox = false;
    boxes.answerWith([&](const ShownMessageBox& request) {
        timerStoppedBeforeTheBox = !timerRunning(*window, 1) && request.owner == window->widget();
        return IDOK;
    });
    const int result = runWithWindow(window, [&] {
        g_nStatus = STATUS_FAILED;
        tick(*window);
        EXPECT_EQ(window->widget(), nullptr); // destroyed
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
        EXPECT_TRUE(waitFor([] { return isActive(g_dlgSubMenu); }));
        EXPECT_EQ(activeModalTemplate(), IDD_SUBMENU); // the menu goes on
    });
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(timerStoppedBeforeTheBox);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "アップロードに失敗しました。");
    EXPECT_EQ(boxes.shown()[0].caption, "ｴﾗｰﾒｯｾｰｼﾞ");
    EXPECT_EQ(boxes.shown()[0].type, 0x10u);
}

TEST_F(UploadWindow, SuccessAsksForAPowerCycleAndEndsTheMenu)
{
    const int result = runWithWindow(window, [&] {
        g_nStatus = STATUS_DONE;
        tick(*window);
        EXPECT_EQ(window->widget(), nullptr);
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
    });
    EXPECT_EQ(result, 0); // ended by the window
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおしてください。\n"
              "システムが動作するまでに時間がかかります。\nしばらくお待ちください。");
    EXPECT_EQ(boxes.shown()[0].caption, "ﾒｯｾｰｼﾞ");
    EXPECT_EQ(boxes.shown()[0].type, 0x40u);
}

TEST_F(UploadWindow, CancelledStatusIsReportedAndEndsTheMenuKeepingTheWindow)
{
    const int result = runWithWindow(window, [&] {
        g_nStatus = STATUS_CANCELLED;
        tick(*window);
        EXPECT_NE(window->widget(), nullptr); // not destroyed
        EXPECT_FALSE(timerRunning(*window, 1));
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "アップロードを中止しました。\n電源を切る前に、もう一度プログラム\n"
              "アップロードをしてください。");
    EXPECT_EQ(boxes.shown()[0].caption, "ﾒｯｾｰｼﾞ");
    EXPECT_EQ(boxes.shown()[0].type, 0x40u);
}

class UploadStillRunning : public UploadWindow, public ::testing::WithParamInterface<int>
{};

TEST_P(UploadStillRunning, OnAnyOtherStatusValue)
{
    runWithWindow(window, [&] {
        g_nStatus = GetParam();
        for (int n = 0; n < 4; ++n)
            tick(*window);
        EXPECT_TRUE(window->IsWindowVisible());
        EXPECT_TRUE(timerRunning(*window, 1));
        EXPECT_FALSE(g_dlgSubMenu.IsWindowEnabled());
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + "0分02秒");
    });
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, UploadStillRunning,
                         ::testing::Values(STATUS_RUNNING, -1, 3, 42, -2147483647));

TEST_F(UploadWindow, EnterCancelsLikeTheButtonAndTheNextTickReportsIt)
{
    g_pWorkerThread = AfxBeginThread(
        [](void*) -> UINT {
            const std::stop_token stop = CWinThread::CurrentStopToken();
            while (!stop.stop_requested())
                std::this_thread::yield();
            StoreFinalStatus(STATUS_DONE); // too late: must not land
            return 0;
        },
        nullptr);
    const int result = runWithWindow(window, [&] {
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        pressKey(Qt::Key_Return);
        EXPECT_EQ(g_nStatus.load(), STATUS_CANCELLED);
        // The worker ends only once it has been stopped.
        EXPECT_TRUE(g_pWorkerThread->WaitForEnd(10s));
        EXPECT_EQ(g_nStatus.load(), STATUS_CANCELLED);
        EXPECT_FALSE(window->IsWindowVisible()); // hidden at once
        EXPECT_NE(window->widget(), nullptr);    // not destroyed
        EXPECT_TRUE(timerRunning(*window, 1));   // still ticking
        tick(*window);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind("アップロードを中止しました。", 0), 0u);
}

// A result the worker stored just before Cancel: the cancel stops nothing
// more and the result is reported as its row says.
struct StoredResult
{
    const char* name;
    int status;
    std::string text;
    int menuResult; // -1: the menu goes on (the test ends it); 0: it was ended
};

void PrintTo(const StoredResult& value, std::ostream* out)
{
    *out << value.name;
}

class CancelAfterAStoredResult : public UploadWindow,
                                 public ::testing::WithParamInterface<StoredResult>
{};

TEST_P(CancelAfterAStoredResult, ReportsTheResultNotTheCancel)
{
    static std::atomic<int> stored;
    stored = GetParam().status;
    g_pWorkerThread = AfxBeginThread(
        [](void*) -> UINT {
            StoreFinalStatus(stored.load());
            return 0;
        },
        nullptr);
    bool menuBack = false;
    const int result = runWithWindow(window, [&] {
        ASSERT_TRUE(g_pWorkerThread->WaitForEnd(10s));
        ASSERT_EQ(g_nStatus.load(), GetParam().status);
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        pressKey(Qt::Key_Return); // Cancel, before the tick that would report
        EXPECT_EQ(g_nStatus.load(), GetParam().status);
        EXPECT_FALSE(window->IsWindowVisible());
        tick(*window);
        menuBack = g_dlgSubMenu.IsWindowVisible() && g_dlgSubMenu.IsWindowEnabled() &&
                   waitFor([] { return isActive(g_dlgSubMenu); });
    });
    EXPECT_EQ(result, GetParam().menuResult);
    if (GetParam().menuResult == -1) {
        EXPECT_TRUE(menuBack); // ready for another try
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Results, CancelAfterAStoredResult,
    ::testing::Values(StoredResult{"Failure", STATUS_FAILED, "アップロードに失敗しました。", -1},
                      StoredResult{"Success", STATUS_DONE,
                                   "アップロードが終了しました。\n\nＫＥＬＶＯＲの電源を入れなおし"
                                   "てください。\nシステムが動作するまでに時間がかかります。\n"
                                   "しばらくお待ちください。",
                                   0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UploadWindow, CancelButtonIsTheDefaultButtonAndCancels)
{
    runWithWindow(window, [&] {
        auto* button = controlOf(*window, IDOK);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->property("text").toString(), QStringLiteral("ｷｬﾝｾﾙ"));
        clickButton(*window, IDOK);
        EXPECT_EQ(g_nStatus.load(), STATUS_CANCELLED);
        EXPECT_FALSE(window->IsWindowVisible());
    });
}

TEST_F(UploadWindow, EscapeOnlyHidesAndTheOutcomeIsStillReported)
{
    const int result = runWithWindow(window, [&] {
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        tick(*window);
        tick(*window); // 0分01秒
        pressKey(Qt::Key_Escape);
        EXPECT_FALSE(window->IsWindowVisible());
        EXPECT_EQ(g_nStatus.load(), STATUS_RUNNING);
        EXPECT_TRUE(timerRunning(*window, 1));
        tick(*window);
        tick(*window);
        EXPECT_EQ(text(*window, IDC_ELAPSED_TEXT), kElapsedPrefix + "0分02秒"); // not restarted

        g_nStatus = STATUS_DONE;
        tick(*window);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "ﾒｯｾｰｼﾞ");
}

TEST_F(UploadWindow, TextLinesNeverKeepTheFocus)
{
    runWithWindow(window, [&] {
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        for (int id : {IDC_STATUS_TEXT, IDC_ELAPSED_TEXT}) {
            QTest::mouseClick(controlOf(*window, id), Qt::LeftButton);
            EXPECT_EQ(QApplication::focusWidget(), window->widget());
        }
    });
}

} // namespace
