// Message maps (overriding, defaults, edit focus, failures escaping a
// handler) and window timers.

#include "platform/Exception.h"
#include "tests/windows/WindowTest.h"
#include "tests/windows/platform/Probe.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace kelvor::test;
using namespace probe;

namespace {

using Events = std::vector<std::string>;

long ticks(const ProbeDialog& dialog, UINT_PTR id)
{
    return std::count(dialog.events.begin(), dialog.events.end(), "timer " + std::to_string(id));
}

class DerivedProbe : public ProbeDialog
{
public:
    using ProbeDialog::ProbeDialog;

    const MessageMap* GetMessageMap() const override
    {
        static const MessageMap map{ProbeDialog::GetMessageMap(),
                                    {
                                        msg::onCommand(kPlain, &DerivedProbe::OnPlainHere),
                                        msg::onCommand(IDOK, &DerivedProbe::OnOKHere),
                                    }};
        return &map;
    }

    void OnPlainHere() { events.push_back("derived plain"); }
    void OnOKHere() { events.push_back("derived OK"); }
};

class Failure : public CException
{
public:
    bool GetErrorMessage(std::string& text) const override
    {
        text = "設定を読めませんでした。";
        return true;
    }
};

} // namespace

TEST(MessageMap, DerivedEntriesWinAndTheRestFallToTheDefaults)
{
    DerivedProbe dialog(kForm);
    dialog.passDefaults = false;
    ASSERT_TRUE(dialog.Create());
    const std::pair<int, const char*> table[] = {
        {kPlain, "derived plain"}, // over ProbeDialog's entry
        {IDOK, "derived OK"},      // over CDialog's entry
        {IDCANCEL, "Cancel"},      // CDialog's entry, to the virtual OnCancel
        {kDefault, "command 1006"} // in no map: OnCommand
    };
    for (const auto& [id, expected] : table) {
        dialog.events.clear();
        dialog.SendMessage({MessageKind::Command, id, 0, 0});
        EXPECT_EQ(dialog.events, Events{expected}) << "command " << id;
    }
    ProbeDialog base(kForm);
    base.passDefaults = false;
    ASSERT_TRUE(base.Create());
    base.SendMessage({MessageKind::Command, IDOK, 0, 0});
    EXPECT_EQ(base.events, Events{"OK"}); // the virtual OnOK
}

TEST(MessageMap, EditFocusReachesItsHandlerByMouseAndProgram)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(dialog.editFocus, std::vector<int>{kEdit}); // the first tab stop
    QTest::mouseClick(controlOf(dialog, kEditNoStop), Qt::LeftButton);
    dialog.GetDlgItem(kEdit)->SetFocus();
    EXPECT_EQ(dialog.editFocus, (std::vector<int>{kEdit, kEditNoStop, kEdit}));
}

TEST(MessageMap, HandlerMayMoveTheFocusToTheDialogItself)
{
    ProbeDialog dialog(kForm);
    dialog.focusSelfOnEditFocus = true;
    ASSERT_TRUE(dialog.Open()); // the edit gets the focus and hands it on
    EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == dialog.widget(); }));
    QTest::mouseClick(controlOf(dialog, kEditNoStop), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), dialog.widget());
    EXPECT_EQ(dialog.editFocus, (std::vector<int>{kEdit, kEditNoStop})); // once each
}

class EscapingFailure : public ::testing::TestWithParam<bool>
{};

TEST_P(EscapingFailure, IsReportedWithAStopIconAndTheDialogStays)
{
    MessageBoxRecorder boxes;
    ProbeDialog dialog(kForm);
    const bool framework = GetParam();
    dialog.onPlain = [framework] {
        if (framework)
            throw Failure();
        throw std::runtime_error("unexpected");
    };
    ASSERT_TRUE(dialog.Open());
    clickButton(dialog, kPlain);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].owner, dialog.widget());
    EXPECT_EQ(boxes.shown()[0].type & 0xF0, MB_ICONSTOP);
    EXPECT_FALSE(boxes.shown()[0].text.empty());
    if (framework) {
        EXPECT_EQ(boxes.shown()[0].text, "設定を読めませんでした。");
    }
    EXPECT_TRUE(dialog.IsWindowVisible());
    pressKey(Qt::Key_Escape); // and it still works
    EXPECT_FALSE(dialog.IsWindowVisible());
}

INSTANTIATE_TEST_SUITE_P(FrameworkAndStandard, EscapingFailure, ::testing::Bool());

TEST(Timer, TicksReachTheMapUntilKilledEvenFromTheirOwnHandler)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Create());
    dialog.onTick = [&](UINT_PTR id) {
        if (id == 7) {
            EXPECT_EQ(dialog.KillTimer(7), TRUE);
        }
    };
    EXPECT_EQ(dialog.SetTimer(7, 5), 7u);
    EXPECT_EQ(dialog.SetTimer(8, 5), 8u);
    // Timer 8 ticks at the same rate: had 7 gone on, it would show here.
    ASSERT_TRUE(waitFor([&] { return ticks(dialog, 8) >= 5; }));
    EXPECT_EQ(ticks(dialog, 7), 1);
    EXPECT_FALSE(timerRunning(dialog, 7));
    EXPECT_TRUE(timerRunning(dialog, 8));
    EXPECT_EQ(dialog.KillTimer(7), FALSE);
}

TEST(Timer, SetTimerOnARunningIdReplacesIt)
{
    ProbeDialog dialog(kForm);
    ASSERT_TRUE(dialog.Create());
    dialog.SetTimer(7, 5);
    dialog.SetTimer(7, 3600 * 1000); // now an hour: the 5 ms one must be gone
    dialog.SetTimer(8, 5);
    ASSERT_TRUE(waitFor([&] { return ticks(dialog, 8) >= 5; }));
    EXPECT_EQ(ticks(dialog, 7), 0);
    EXPECT_TRUE(timerRunning(dialog, 7));
}

TEST(Timer, DestroyWindowFromATickReleasesASelfOwnedWindowLater)
{
    bool destroyed = false;
    bool handlerFinished = false;
    auto* dialog = new ProbeDialog(kForm);
    dialog->releaseOnDestroy = true;
    dialog->destroyed = &destroyed;
    ASSERT_TRUE(dialog->Create());
    dialog->onTick = [&, dialog](UINT_PTR) {
        dialog->DestroyWindow();
        // The object lives on until this handler has returned.
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(dialog->GetSafeHwnd(), nullptr);
        EXPECT_FALSE(timerRunning(*dialog, 1));
        dialog->events.push_back("after destroy");
        handlerFinished = true;
    };
    dialog->SetTimer(1, 5);
    EXPECT_TRUE(waitFor([&] { return destroyed; }));
    EXPECT_TRUE(handlerFinished);
}

TEST(Timer, DestroyAllWindowsDestroysAndReleasesTheLiveOnes)
{
    bool destroyed[2] = {false, false};
    for (bool& flag : destroyed) {
        auto* dialog = new ProbeDialog(kForm);
        dialog->releaseOnDestroy = true;
        dialog->destroyed = &flag;
        ASSERT_TRUE(dialog->Create());
        dialog->ShowWindow(SW_SHOW);
        dialog->SetTimer(1, 5);
    }
    CWnd::DestroyAllWindows();
    EXPECT_TRUE(destroyed[0]);
    EXPECT_TRUE(destroyed[1]);
}
