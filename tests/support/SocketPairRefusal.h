#pragma once

// A system that gives no socket pair: the real fault behind "the process
// may open no more files" (EMFILE), confined to one thread so that the rest
// of the process, the sanitizers' own checks included, goes on as usual.

#include <functional>

namespace kelvor::test {

// Runs body on a thread of its own on which every socketpair() is refused
// with EMFILE (a seccomp filter; it cannot be lifted, so it ends with that
// thread), and waits for it. Rethrows what body throws; throws
// std::runtime_error when the filter cannot be installed.
void runWhereSocketPairsAreRefused(const std::function<void()>& body);

} // namespace kelvor::test
