#include "platform/WorkerThread.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct CWinThread::State
{
    std::stop_source stop;
    std::mutex commitMutex; // makes "stopped?" and a commit one step
    bool stopped = false;   // guarded by commitMutex

    mutable std::mutex endMutex;
    mutable std::condition_variable endChanged;
    bool ended = false; // guarded by endMutex

    std::thread thread;
};

namespace {

thread_local std::shared_ptr<CWinThread::State>* t_currentState = nullptr;

constexpr auto kEndWaitOnDestroy = std::chrono::seconds(10);

} // namespace

CWinThread::CWinThread(std::shared_ptr<State> state) : m_state(std::move(state)) {}

CWinThread::~CWinThread()
{
    if (!m_waitedAfterStop)
        StopAndWait(kEndWaitOnDestroy);
}

bool CWinThread::StopAndWait(std::chrono::milliseconds bound)
{
    RequestStop();
    if (m_waitedAfterStop)
        return WaitForEnd(std::chrono::milliseconds(0));
    m_waitedAfterStop = true;
    const bool ended = WaitForEnd(bound);
    if (ended) {
        m_state->thread.join();
    } else {
        // The state is shared with the thread, so it may safely run on.
        m_state->thread.detach();
    }
    return ended;
}

void CWinThread::RequestStop()
{
    {
        std::lock_guard lock(m_state->commitMutex);
        m_state->stopped = true;
    }
    m_state->stop.request_stop();
}

bool CWinThread::WaitForEnd(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_state->endMutex);
    return m_state->endChanged.wait_for(lock, timeout, [this] { return m_state->ended; });
}

bool CWinThread::CommitUnlessStopped(const std::function<void()>& commit)
{
    if (t_currentState == nullptr) {
        commit();
        return true;
    }
    State& state = **t_currentState;
    std::lock_guard lock(state.commitMutex);
    if (state.stopped)
        return false;
    commit();
    return true;
}

std::stop_token CWinThread::CurrentStopToken()
{
    if (t_currentState == nullptr)
        return {};
    return (*t_currentState)->stop.get_token();
}

std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC pfnThreadProc, void* pParam)
{
    auto state = std::make_shared<CWinThread::State>();
    state->thread = std::thread([state, pfnThreadProc, pParam]() mutable {
        t_currentState = &state;
        try {
            // The workers report through what they commit, not by this value.
            pfnThreadProc(pParam);
        } catch (...) {
            // A worker reports only through what it commits; a throw simply
            // ends it, and must never end the process.
        }
        t_currentState = nullptr;
        {
            std::lock_guard lock(state->endMutex);
            state->ended = true;
        }
        state->endChanged.notify_all();
    });
    return std::unique_ptr<CWinThread>(new CWinThread(std::move(state)));
}
