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
