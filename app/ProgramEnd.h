#pragma once

#include "transfer/OperationState.h"

#include <chrono>

// The program's end, once the application has returned exitCode: stops a
// worker that still runs and waits up to workerEndBound for it, then releases
// the connection and libcurl and returns exitCode for main to return. A
// worker that has not ended by then may still use the connection, libcurl
// and the program's globals, so nothing is released and the process ends at
// once with exitCode, without running a single static destructor.
int EndProgram(int exitCode, std::chrono::milliseconds workerEndBound = kWorkerEndBound);

// An end that does not come from the program (a signal, the session's end,
// the X server going away), wherever the program is: stops a worker and a
// login still waited for, as Cancel stops an upload, waits for them up to
// kWorkerEndBound in all, and releases the connection once nothing uses it.
// Then the process ends at once with exitCode: the windows and the
// application object live on in frames that are never returned to, so no
// static destructor may run after them.
[[noreturn]] void EndProgramFromOutside(int exitCode);
