#pragma once

// The fault-injection way in to the FTP layer: the one place where a test
// reaches inside it. The program never calls the functions of
// ftp_fault_injection; the layer reads what they set through the two
// functions at the end, which give the program's own values unless a test
// has set others.
//
// Faults that can be made for real are made for real by the tests and have
// no entry here: a server that refuses, stalls or never answers is the unit
// stand-in; a session open that fails for want of a socket pair is made on
// a thread where the system refuses them (tests/support/SystemCallRefusal.h).
// What is left: time (a test of a unit that never answers would otherwise
// wait minutes) and a session open that fails on the user-interface thread
// or a worker, where such a refusal could not be lifted again.

#include "connection/FtpBounds.h"

namespace ftp_fault_injection {

// Every following operation, on any thread, gets these bounds instead of
// kFtpBounds.
void setBounds(const FtpBounds& bounds);

// Back to kFtpBounds.
void restoreBounds();

// Every following session open fails (or no longer fails) exactly as it
// does when the system gives no socket pair.
void failSessionOpens(bool fail);

} // namespace ftp_fault_injection

// The bounds the next operation gets.
FtpBounds ftpBoundsInForce();

// Whether session opens are to fail.
bool sessionOpensFail();
