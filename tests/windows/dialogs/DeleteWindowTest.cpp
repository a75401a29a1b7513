// The delete's progress window, stepped tick by tick.

#include "tests/windows/dialogs/ProgressWindowTest.h"
#include "transfer/Delete.h"

#include <QApplication>
#include <QTest>

using namespace kelvor::test;

namespace {

const std::string kDeleteWait = "　　　　　　　　お待ちください。";
const std::string kPowerNote = "\n電源を切る前に、もう一度プログラム\nアップロードをしてください。";

class DeleteWindow : public ProgressWindowTest
{
protected:
    CDelete* window = nullptr;
};

TEST_F(DeleteWindow, BlinksInThePhaseTheLastOperationLeft)
{
    g_nBlink = 1;
    runWithWindow(window, [&] {
        EXPECT_EQ(window->widget()->windowTitle(), QStringLiteral("削除中"));
        EXPECT_TRUE(isTopMost(*window));
        EXPECT_TRUE(timerRunning(*window, 1));
        EXPECT_FALSE(controlOf(*window, IDOK)->isVisible()); // the button is never shown
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), "");

        tick(*window);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), kDeleteWait);
        tick(*window);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), "");
        tick(*window);
        EXPECT_EQ(text(*window, IDC_STATUS_TEXT), kDeleteWait);
        EXPECT_EQ(g_nBlink, 0);
    });
}

struct Outcome
{
    int status;
    const char* text;
    const char* caption;
    UINT type;
};

void PrintTo(const Outcome& value, std::ostream* out)
{
    *out << value.status;
}

class DeleteOutcome : public DeleteWindow, public ::testing::WithParamInterface<Outcome>
{};

TEST_P(DeleteOutcome, IsReportedAndTheMenuComesBackEitherWay)
{
    bool timerStoppedBeforeTheBox = false;
    boxes.answerWith([&](const ShownMessageBox& request) {
        timerStoppedBeforeTheBox = !timerRunning(*window, 1) && request.owner == window->widget();
        return IDOK;
    });
    const int result = runWithWindow(window, [&] {
        g_nStatus = GetParam().status;
        tick(*window);
        EXPECT_EQ(window->widget(), nullptr);
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
        EXPECT_TRUE(waitFor([] { return isActive(g_dlgSubMenu); }));
        EXPECT_EQ(activeModalTemplate(), IDD_SUBMENU);
    });
    EXPECT_EQ(result, -1); // never ended by the delete window
    EXPECT_TRUE(timerStoppedBeforeTheBox);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, std::string(GetParam().text) + kPowerNote);
    EXPECT_EQ(boxes.shown()[0].caption, GetParam().caption);
    EXPECT_EQ(boxes.shown()[0].type, GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeleteOutcome,
    ::testing::Values(Outcome{STATUS_FAILED, "プログラムの削除に失敗しました。", "ｴﾗｰﾒｯｾｰｼﾞ", 0x10},
                      Outcome{STATUS_DONE, "プログラムの削除が終了しました。", "ﾒｯｾｰｼﾞ", 0x40}),
    [](const auto& info) { return info.param.status == STATUS_DONE ? "Done" : "Failed"; });

class DeleteStillRunning : public DeleteWindow, public ::testing::WithParamInterface<int>
{};

TEST_P(DeleteStillRunning, OnAnyOtherStatusValueCancelledIncluded)
{
    runWithWindow(window, [&] {
        g_nStatus = GetParam();
        for (int n = 0; n < 3; ++n)
            tick(*window);
        EXPECT_TRUE(window->IsWindowVisible());
        EXPECT_TRUE(timerRunning(*window, 1));
        EXPECT_FALSE(g_dlgSubMenu.IsWindowEnabled());
    });
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, DeleteStillRunning,
                         ::testing::Values(STATUS_RUNNING, STATUS_CANCELLED, -1, 3));

TEST_F(DeleteWindow, EnterDoesNothingAndEscapeOnlyHides)
{
    const int result = runWithWindow(window, [&] {
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        pressKey(Qt::Key_Return);
        EXPECT_TRUE(window->IsWindowVisible());
        EXPECT_EQ(g_nStatus.load(), STATUS_RUNNING);

        pressKey(Qt::Key_Escape);
        EXPECT_FALSE(window->IsWindowVisible());
        EXPECT_NE(window->widget(), nullptr);
        EXPECT_TRUE(timerRunning(*window, 1));

        g_nStatus = STATUS_DONE; // the delete goes on and is still reported
        tick(*window);
        EXPECT_TRUE(g_dlgSubMenu.IsWindowEnabled());
    });
    EXPECT_EQ(result, -1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "ﾒｯｾｰｼﾞ");
}

TEST_F(DeleteWindow, StatusLineNeverKeepsTheFocus)
{
    runWithWindow(window, [&] {
        ASSERT_TRUE(waitFor([&] { return isActive(*window); }));
        QTest::mouseClick(controlOf(*window, IDC_STATUS_TEXT), Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), window->widget());
    });
}

} // namespace
