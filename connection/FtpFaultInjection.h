#pragma once

// The fault-injection way in to the FTP layer: the one place where a test
// reaches inside it. The program never calls anything declared here.
//
// Faults that can be made for real are made for real by the tests and have
// no entry here: a server that refuses, stalls or never answers is the unit
// stand-in; a session that cannot be opened is a process that may open no
// more files. What is left is time: a test of a unit that never answers
// would otherwise wait the product's bounds (minutes) for the failure.

#include "connection/FtpBounds.h"

namespace ftp_fault_injection {

// Every following operation, on any thread, gets these bounds instead of
// kFtpBounds.
void setBounds(const FtpBounds& bounds);

// Back to kFtpBounds.
void restoreBounds();

} // namespace ftp_fault_injection
