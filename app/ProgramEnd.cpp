#include "app/ProgramEnd.h"

#include "platform/ProcessExit.h"
#include "platform/RunWhileWaiting.h"

#include <algorithm>
#include <curl/curl.h>

int EndProgram(int exitCode, std::chrono::milliseconds workerEndBound)
{
    if (!ReleaseOperationState(workerEndBound))
        ExitAtOnce(exitCode);
    curl_global_cleanup();
    return exitCode;
}

void EndProgramFromOutside(int exitCode)
{
    const auto start = std::chrono::steady_clock::now();
    if (StopCallsBeingWaitedFor(kWorkerEndBound)) {
        const auto left = kWorkerEndBound - std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now() - start);
        ReleaseOperationState(std::max(left, std::chrono::milliseconds(0)));
    }
    ExitAtOnce(exitCode);
}
