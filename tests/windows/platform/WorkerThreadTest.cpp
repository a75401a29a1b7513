// Worker threads: a throw ends only the worker, a stop never blocks the
// stopping thread and leaves nothing committed afterwards, and a worker that
// does not stop cannot hold up the process's end.

#include "platform/WorkerThread.h"

#include "platform/ProcessExit.h"
#include "tests/windows/WindowTest.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using namespace kelvor::test;

namespace {

std::atomic<int> g_committed{0};
std::atomic<bool> g_release{false};

UINT throwingWorker(void*)
{
    throw std::runtime_error("a failure on the worker");
}

// Waits for its stop, then tries to commit: a stopped worker must not.
UINT stoppedWorker(void*)
{
    const std::stop_token stop = CWinThread::CurrentStopToken();
    while (!stop.stop_requested())
        std::this_thread::yield();
    CWinThread::CommitUnlessStopped([] { g_committed = 1; });
    return 7;
}

// Ignores stops until released, then commits.
UINT stubbornWorker(void*)
{
    while (!g_release)
        std::this_thread::yield();
    CWinThread::CommitUnlessStopped([] { g_committed = 2; });
    return 3;
}

} // namespace

TEST(WorkerThread, AThrowEndsTheWorkerNotTheProcess)
{
    auto thread = AfxBeginThread(throwingWorker, nullptr);
    EXPECT_TRUE(thread->WaitForEnd(10s));
}

TEST(WorkerThread, AfterAStopNothingIsCommitted)
{
    g_committed = 0;
    auto thread = AfxBeginThread(stoppedWorker, nullptr);
    thread->RequestStop();
    EXPECT_TRUE(thread->WaitForEnd(10s));
    EXPECT_EQ(g_committed.load(), 0);
}

TEST(WorkerThread, StopReturnsWhileTheWorkerStillRunsAndItsLateCommitIsDropped)
{
    g_committed = 0;
    g_release = false;
    auto thread = AfxBeginThread(stubbornWorker, nullptr);
    thread->RequestStop(); // must not wait for the worker
    EXPECT_FALSE(thread->WaitForEnd(0ms));
    g_release = true;
    EXPECT_TRUE(thread->WaitForEnd(10s));
    EXPECT_EQ(g_committed.load(), 0);
}

TEST(WorkerThreadDeathTest, ExitAtOnceEndsTheProcessWhileAStoppedWorkerIsStillStuck)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            g_release = false;
            static std::unique_ptr<CWinThread> thread = AfxBeginThread(stubbornWorker, nullptr);
            thread->RequestStop();
            if (thread->WaitForEnd(100ms))
                std::_Exit(72); // not stuck after all
            // Ending through exit() would run this first.
            std::atexit([] { std::_Exit(70); });
            // Fully buffered: the line comes out only if the exit flushes.
            FILE* log = ::fdopen(::dup(STDERR_FILENO), "w");
            std::setvbuf(log, nullptr, _IOFBF, 4096);
            std::fputs("buffered line\n", log);
            ExitAtOnce(5);
        },
        ::testing::ExitedWithCode(5), "buffered line");
}

TEST(WorkerThread, WithoutAStopTheCommitLands)
{
    g_committed = 0;
    g_release = true;
    auto thread = AfxBeginThread(stubbornWorker, nullptr);
    EXPECT_TRUE(thread->WaitForEnd(10s));
    EXPECT_EQ(g_committed.load(), 2);
}

TEST(WorkerThread, OutsideAWorkerCommitsRunAndTheTokenNeverFires)
{
    bool ran = false;
    EXPECT_TRUE(CWinThread::CommitUnlessStopped([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(CWinThread::CurrentStopToken().stop_possible());
}
