// The program's end with a worker that does not stop: it is waited for once,
// for a bounded time, and then the program ends without it.

#include "connection/Ftp.h"
#include "platform/WorkerThread.h"
#include "tests/support/Poll.h"
#include "tests/support/UnitStandIn.h"
#include "transfer/OperationState.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

using namespace kelvor::test;
using namespace std::chrono_literals;

namespace {

// Blocked in something that never looks at the stop token, until released.
struct Stuck
{
    std::atomic<bool> released{false};
    std::atomic<bool> ended{false};

    static UINT run(void* self)
    {
        auto* stuck = static_cast<Stuck*>(self);
        stuck->released.wait(false);
        stuck->ended = true;
        return 0;
    }

    // Lets the worker go and waits for its end, so that it never outlives
    // the test.
    bool release()
    {
        released = true;
        released.notify_all();
        return pollUntil([this] { return ended.load(); }, 10s);
    }
};

using Clock = std::chrono::steady_clock;

} // namespace

TEST(ProgramEnd, AfterAWaitThatTimedOutTheThreadObjectGoesWithoutWaitingAgain)
{
    Stuck stuck;
    auto thread = AfxBeginThread(&Stuck::run, &stuck);
    EXPECT_FALSE(thread->StopAndWait(200ms));

    const auto start = Clock::now();
    thread.reset();
    const auto destroying = Clock::now() - start;
    // Its own wait would be ten seconds.
    EXPECT_LT(destroying, 2s);
    EXPECT_FALSE(stuck.ended); // it returned while the worker was still stuck
    EXPECT_TRUE(stuck.release());
}

TEST(ProgramEnd, AStuckWorkerIsWaitedForOnceAndKeepsTheConnection)
{
    UnitStandIn unit;
    {
        CInternetSession session;
        g_pFtpConnection = session.GetFtpConnection(unit.address(), unit.user(), unit.password(),
                                                    INTERNET_DEFAULT_FTP_PORT, TRUE);
    }
    Stuck stuck;
    g_pWorkerThread = AfxBeginThread(&Stuck::run, &stuck);

    const auto start = Clock::now();
    ReleaseOperationState();
    const auto ending = Clock::now() - start;
    // One bound is five seconds; the stop and the thread object's end used
    // to wait ten each.
    EXPECT_LT(ending, 8s);
    EXPECT_EQ(g_pWorkerThread, nullptr);
    EXPECT_FALSE(stuck.ended);
    // The worker might still use the connection: it is left alone.
    EXPECT_NE(g_pFtpConnection, nullptr);

    EXPECT_TRUE(stuck.release());
    delete g_pFtpConnection;
    g_pFtpConnection = nullptr;
}

TEST(ProgramEnd, AWorkerThatStopsIsJoinedAndTheConnectionReleased)
{
    UnitStandIn unit;
    {
        CInternetSession session;
        g_pFtpConnection = session.GetFtpConnection(unit.address(), unit.user(), unit.password(),
                                                    INTERNET_DEFAULT_FTP_PORT, TRUE);
    }
    g_pWorkerThread = AfxBeginThread(
        [](void*) -> UINT {
            const std::stop_token stop = CWinThread::CurrentStopToken();
            std::atomic<bool> never{false};
            const std::stop_callback wake(stop, [&never] {
                never = true;
                never.notify_all();
            });
            never.wait(false);
            return 0;
        },
        nullptr);

    ReleaseOperationState();
    EXPECT_EQ(g_pWorkerThread, nullptr);
    EXPECT_EQ(g_pFtpConnection, nullptr);
    EXPECT_TRUE(unit.waitForRecord("disconnect", 10s)); // QUIT on the way out
}
