#pragma once

// How long the FTP layer waits for a unit that has stopped answering. Every
// operation blocks its caller, so each wait has a bound; the values are the
// program's. (The fault-injection way in, FtpFaultInjection.h, can set
// shorter ones for tests.)

#include <chrono>

struct FtpBounds
{
    // Connecting and logging in, greeting included (GetFtpConnection). A
    // unit answers a wrong password only after about 3 s, so the bound stays
    // well above that; the operator can do nothing but wait for it, so it
    // stays short.
    std::chrono::milliseconds connectAndLogin;
    // Any one reply during an operation. The longest is the final reply after
    // the last byte of an upload: a unit writes the program to its flash
    // before it confirms, which takes more than the 60 s libcurl would wait
    // on its own. libcurl counts it in whole seconds (rounded up).
    std::chrono::milliseconds serverResponse;
    // A transfer (upload data, listing data) that moves no byte for this long
    // fails: a unit on the local network that stops reading for a minute has
    // gone. Whole seconds (rounded up).
    std::chrono::milliseconds stalledTransfer;
    // The answer to the size question after an upload the unit confirmed
    // (SIZE). A unit that gives none in this time leaves the upload as it
    // reported it, unchecked: the question must not keep the operator
    // waiting for the whole reply bound above.
    std::chrono::milliseconds sizeAnswer;
};

inline constexpr FtpBounds kFtpBounds{std::chrono::seconds(15), std::chrono::seconds(120),
                                      std::chrono::seconds(60), std::chrono::seconds(10)};
