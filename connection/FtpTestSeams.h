#pragma once

// Hooks for the tests only; the program never calls them.

#include "platform/Types.h"

#include <chrono>
#include <optional>

namespace ftp_test_seams {

// Connects to this port instead of the one the caller asks for, so tests can
// reach an unprivileged test server where the program dials port 21.
void SetPortOverride(std::optional<INTERNET_PORT> port);

// Makes every following session open fail, as a session open can when the
// system is out of resources.
void SetSessionOpenFailure(bool fail);

// The bounds the FTP layer puts on a server that stops answering.
struct Timeouts
{
    // Connecting and logging in, greeting included (GetFtpConnection).
    std::chrono::milliseconds connectAndLogin;
    // Any one reply of the server during an operation, the final reply
    // after the last byte of an upload included. libcurl counts it in whole
    // seconds (rounded up here).
    std::chrono::milliseconds serverResponse;
    // A transfer (upload or listing data) that moves no byte for this long
    // fails. Whole seconds (rounded up).
    std::chrono::milliseconds stalledTransfer;
};

// The program's bounds.
Timeouts DefaultTimeouts();

// The bounds in force; the defaults unless SetTimeouts changed them.
Timeouts CurrentTimeouts();

// Shortens (or lengthens) the bounds for the following operations;
// std::nullopt restores the defaults.
void SetTimeouts(std::optional<Timeouts> timeouts);

} // namespace ftp_test_seams
