// Worker threads: a throw ends only the worker, a stop never blocks the
// stopping thread and leaves nothing committed afterwards.

#include "platform/WorkerThread.h"

#include "tests/windows/WindowTest.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

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
