#pragma once

// A system that refuses calls as a process that may open no more files
// does (EMFILE): the real fault behind a socket start-up or a session open
// that fails, confined to one thread so that the rest of the process, the
// sanitizers' own checks included, goes on as usual.
//
// Every refusal is counted, so that a test can check that the code it
// drives really met the fault: a library that changes the calls it makes
// must fail such a test loudly rather than let it pass or fail for the
// wrong reason.

#include <functional>

namespace kelvor::test {

enum class RefusedCall
{
    Socket, // socket(): no socket of any family
    // socketpair(), eventfd(), eventfd2(): what libcurl makes a multi
    // handle's wake-up of (a socket pair up to 7.x, an event descriptor
    // since). Pipes stay allowed: the sanitizers test memory through one.
    WakeUpChannel,
};

// From now on, for the rest of the calling thread's life, call is refused
// with EMFILE (a seccomp filter: it cannot be lifted). Throws
// std::runtime_error when the filter cannot be installed.
void refuseOnThisThread(RefusedCall call);

// How many calls the calling thread has had refused.
int refusalsOnThisThread();

// Runs body on a thread of its own on which call is refused, waits for it,
// and returns how many calls were refused. Rethrows what body throws.
int runWhereRefused(RefusedCall call, const std::function<void()>& body);

} // namespace kelvor::test
