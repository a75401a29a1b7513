// The program's end with a worker that does not stop: it is waited for once,
// for a bounded time, and then the process ends at once, without destroying
// anything the worker may still use.

#include "app/ProgramEnd.h"

#include "connection/Ftp.h"
#include "platform/WorkerThread.h"
#include "tests/support/Poll.h"
#include "tests/support/UnitStandIn.h"
#include "transfer/OperationState.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

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
    EXPECT_FALSE(ReleaseOperationState(300ms));
    const auto ending = Clock::now() - start;
    // Waited for once, for the bound: the stop and the thread object's end
    // used to wait ten seconds each.
    EXPECT_GE(ending, 300ms);
    EXPECT_LT(ending, 5s);
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

    EXPECT_TRUE(ReleaseOperationState());
    EXPECT_EQ(g_pWorkerThread, nullptr);
    EXPECT_EQ(g_pFtpConnection, nullptr);
    EXPECT_TRUE(unit.waitForRecord("disconnect", 10s)); // QUIT on the way out
}

// In a process of its own: the worker stays stuck, and the process must end
// with the application's exit code without running the handlers and static
// destructors that ending through main would run.
TEST(ProgramEndDeathTest, AStuckWorkerEndsTheProcessAtOnceWithTheExitCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto start = Clock::now();
    EXPECT_EXIT(
        {
            static Stuck stuck; // never released
            g_pWorkerThread = AfxBeginThread(&Stuck::run, &stuck);
            // Runs first of everything that ending through main would run.
            std::atexit([] { std::_Exit(70); });
            // A stream of its own with a full buffer: its line comes out only
            // if the end flushes it.
            FILE* late = ::fdopen(::dup(STDERR_FILENO), "w");
            std::setvbuf(late, nullptr, _IOFBF, 4096);
            std::fputs("written just before the end\n", late);
            EndProgram(3, 300ms);
            std::_Exit(71); // EndProgram came back
        },
        ::testing::ExitedWithCode(3), "written just before the end");
    // The process starts afresh for this, with its application.
    EXPECT_LT(Clock::now() - start, 20s);
}
