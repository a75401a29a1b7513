#pragma once

// The one bounded wait of the test support: looks at a condition until it
// holds or a bound has passed. For conditions nothing can signal, such as a
// server's log file, a child process's end or a socket table.

#include <chrono>
#include <thread>

namespace kelvor::test {

// Looks at condition every `every` until it holds or bound has passed;
// whether it came to hold. It is looked at once more at the bound.
template <class Condition>
bool pollUntil(Condition condition, std::chrono::milliseconds bound,
               std::chrono::milliseconds every = std::chrono::milliseconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(every);
    }
}

} // namespace kelvor::test
