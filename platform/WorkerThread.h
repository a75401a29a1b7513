#pragma once

#include "platform/Types.h"

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

using AFX_THREADPROC = UINT (*)(void* param);

// A worker thread started by AfxBeginThread.
//
// There is no safe way to kill a thread that may be inside a socket call, so
// the forced stop is cooperative but immediate for the caller: RequestStop()
// never blocks, fires the worker's stop token (blocking network calls watch
// it and return at once), and from that moment CommitUnlessStopped() on the
// worker does nothing. A stopped worker therefore leaves no trace behind,
// even if it is still unwinding.
class CWinThread
{
public:
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Stops the worker if it still runs and waits a bounded time for it to
    // end; a worker that does not end in time is left to finish on its own.
    // After StopAndWait it does not wait again.
    ~CWinThread();

    void RequestStop();

    // Stops the worker and waits up to bound for it to end; whether it
    // ended. A worker that has not ended by then is let go: it finishes on
    // its own, and the destructor does not wait for it a second time.
    bool StopAndWait(std::chrono::milliseconds bound);

    // Waits up to timeout for the thread function to return (or throw);
    // whether it has.
    bool WaitForEnd(std::chrono::milliseconds timeout) const;

    // On a worker thread: runs commit unless a stop was requested. Checking
    // and committing are one step with respect to RequestStop(), so after
    // RequestStop() has returned no commit can happen. Returns whether commit
    // ran. Outside a worker thread commit simply runs.
    static bool CommitUnlessStopped(const std::function<void()>& commit);

    // The calling thread's stop token; outside a worker it never fires.
    static std::stop_token CurrentStopToken();

    struct State; // shared by the object and its thread

private:
    explicit CWinThread(std::shared_ptr<State> state);
    friend std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC, void*);

    std::shared_ptr<State> m_state;
    bool m_waitedAfterStop = false;
};

// Starts pfnThreadProc(pParam) on a new thread at once.
std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam);
