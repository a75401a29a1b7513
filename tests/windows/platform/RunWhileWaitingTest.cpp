// A blocking call run while the windows stay alive: the user's input is
// dropped rather than held back and replayed, and the caller gets the result
// or the throw. (That the windows paint, timers run and the busy cursor
// shows meanwhile is seen in the connection dialog's tests.)

#include "platform/RunWhileWaiting.h"

#include "tests/support/Poll.h"
#include "tests/windows/WindowTest.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace kelvor::test;

namespace {

// A window that records the input that reaches it.
class Probe : public QWidget
{
public:
    std::vector<QEvent::Type> input;

protected:
    bool event(QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close:
            input.push_back(event->type());
            return true;
        default:
            break;
        }
        return QWidget::event(event);
    }
};

// Input as the window system delivers it (spontaneous), straight to window.
void sendSpontaneous(QObject* receiver, QEvent* event)
{
    QSpontaneKeyEvent::setSpontaneous(event);
    qApp->notify(receiver, event);
}

class RunWhileWaitingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe.resize(200, 100);
        probe.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
        probe.activateWindow();
        ASSERT_TRUE(waitFor([this] { return QApplication::activeWindow() == &probe; }));
    }

    QWindow* window() { return probe.windowHandle(); }

    Probe probe;
};

TEST_F(RunWhileWaitingTest, TheResultOrTheThrowReachesTheCaller)
{
    EXPECT_EQ(RunWhileWaiting([] { return 42; }), 42);
    const auto moved = RunWhileWaiting([] { return std::make_unique<int>(7); });
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(*moved, 7);

    bool ran = false;
    RunWhileWaiting([&] { ran = true; });
    EXPECT_TRUE(ran);

    EXPECT_THROW(RunWhileWaiting([]() -> int { throw std::runtime_error("refused"); }),
                 std::runtime_error);
    // A throw leaves nothing of the wait behind: cursor back, input let in.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::keyClick(window(), Qt::Key_Return);
    EXPECT_EQ(probe.input.size(), 2u);
}

struct InputCase
{
    const char* name;
    // Delivers the input to the probe's window (or the probe).
    void (*deliver)(Probe& probe);
};

void PrintTo(const InputCase& value, std::ostream* out)
{
    *out << value.name;
}

class InputDuringTheWait : public RunWhileWaitingTest,
                           public ::testing::WithParamInterface<InputCase>
{};

TEST_P(InputDuringTheWait, IsDroppedAndNeverDeliveredAfterwards)
{
    const InputCase& input = GetParam();
    std::atomic<bool> delivered{false};
    QTimer::singleShot(10, [&] {
        input.deliver(probe);
        delivered = true;
    });

    // The call ends as soon as the input has been given, so that input
    // still queued then is left for the end of the wait.
    const bool ended =
        RunWhileWaiting([&] { return pollUntil([&] { return delivered.load(); }, 5s); });
    ASSERT_TRUE(ended) << "the input was never delivered during the wait";

    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(probe.input.empty());
    EXPECT_TRUE(probe.isVisible());

    // The same input after the wait does arrive.
    input.deliver(probe);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(probe.input.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, InputDuringTheWait,
    ::testing::Values(InputCase{"EnterKey",
                                [](Probe& probe) {
                                    QTest::keyClick(probe.windowHandle(), Qt::Key_Return);
                                }},
                      InputCase{"DoubleClick",
                                [](Probe& probe) {
                                    QTest::mouseDClick(probe.windowHandle(), Qt::LeftButton);
                                }},
                      InputCase{"Wheel",
                                [](Probe& probe) {
                                    QWheelEvent wheel(QPointF(10, 10),
                                                      probe.mapToGlobal(QPointF(10, 10)), QPoint(),
                                                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                                      Qt::NoScrollPhase, false);
                                    sendSpontaneous(&probe, &wheel);
                                }},
                      InputCase{"CloseBox",
                                [](Probe& probe) {
                                    QCloseEvent close;
                                    sendSpontaneous(probe.windowHandle(), &close);
                                }},
                      InputCase{"QueuedKey",
                                [](Probe& probe) {
                                    QCoreApplication::postEvent(
                                        &probe, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return,
                                                              Qt::NoModifier));
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
