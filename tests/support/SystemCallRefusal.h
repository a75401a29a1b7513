#pragma once

// A system that refuses a call as a process that may open no more files
// does (EMFILE): the real fault behind a socket start-up or a session open
// that fails, confined to one thread so that the rest of the process, the
// sanitizers' own checks included, goes on as usual.

#include <functional>

namespace kelvor::test {

enum class RefusedCall
{
    Socket,     // socket(): no socket of any family
    SocketPair, // socketpair()
};

// From now on, for the rest of the calling thread's life, call is refused
// with EMFILE (a seccomp filter: it cannot be lifted). Throws
// std::runtime_error when the filter cannot be installed.
void refuseOnThisThread(RefusedCall call);

// Runs body on a thread of its own on which call is refused, and waits for
// it. Rethrows what body throws.
void runWhereRefused(RefusedCall call, const std::function<void()>& body);

} // namespace kelvor::test
