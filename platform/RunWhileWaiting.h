#pragma once

// Runs a call that may block for seconds (a connect to a peer that does not
// answer) without freezing the windows: the call runs on a thread of its
// own while the calling thread's event loop goes on, so every window keeps
// painting, timers run and the desktop's "are you still alive?" pings are
// answered. Meanwhile the pointer is the busy cursor, and what the user
// types, clicks or closes is dropped, never replayed afterwards: no handler
// can be entered a second time, and a key pressed while waiting does not
// answer a message box that follows. Nor does any window take a command
// from any other source in that time (a screen reader's press of a button,
// a click made by code, a close sent by the session): see IsWaiting().
//
// To its caller it is a plain synchronous call: the result is returned, or
// what the call threw is rethrown, on the calling thread, and the caller's
// own code does not go on until the call has ended. The call must not touch
// windows. Off the application's thread (or with no application) it simply
// runs the call.

#include <chrono>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace waiting_detail {
void runOnThreadWhileWaiting(const std::function<void()>& call);
} // namespace waiting_detail

// Whether a call is being waited for on the application's thread; the
// windows give no command meanwhile.
bool IsWaiting();

// At an end that does not come from the program itself: asks the calls being
// waited for to stop (the calling thread's stop token of CWinThread fires)
// and waits up to bound for them to end; whether none runs any more.
bool StopCallsBeingWaitedFor(std::chrono::milliseconds bound);

template <class Call>
std::invoke_result_t<Call&> RunWhileWaiting(Call call)
{
    using Result = std::invoke_result_t<Call&>;
    if constexpr (std::is_void_v<Result>) {
        waiting_detail::runOnThreadWhileWaiting(call);
    } else {
        std::optional<Result> result;
        waiting_detail::runOnThreadWhileWaiting([&] { result.emplace(call()); });
        return std::move(*result);
    }
}
