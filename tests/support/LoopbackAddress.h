#pragma once

// The tests' FTP servers listen on port 21, as the unit does, each on a
// loopback address of its own inside the test namespace (tools/isolated.sh):
// the program dials port 21 and nothing else. ctest runs several test
// processes at once in the same namespace, so an address is picked at
// random and tried: binding port 21 there fails with EADDRINUSE when another
// server has it, and the caller then picks again.

#include <cstdint>
#include <functional>
#include <string>

namespace kelvor::test {

inline constexpr std::uint16_t kFtpPort = 21;

// A random 127.a.b.c with a, b, c in 1..254 (so that DEFAULTIP accepts it),
// never 127.0.0.1 nor the demo unit's 127.1.1.10.
std::string randomLoopbackAddress();

// Binds a TCP socket to address:21 and returns it (close-on-exec); -1 with
// errno set when the bind fails.
int bindFtpPort(const std::string& address);

// Runs start(address) on fresh random addresses until it returns true, at
// most `attempts` times; the address it worked on. Throws
// std::runtime_error, with what the last attempt said, when none worked.
std::string onFreeLoopbackAddress(
    const std::function<bool(const std::string& address, std::string& failure)>& start,
    int attempts = 8);

} // namespace kelvor::test
