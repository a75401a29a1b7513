#include "app/ProgramEnd.h"

#include "platform/ProcessExit.h"

#include <curl/curl.h>

int EndProgram(int exitCode, std::chrono::milliseconds workerEndBound)
{
    if (!ReleaseOperationState(workerEndBound))
        ExitAtOnce(exitCode);
    curl_global_cleanup();
    return exitCode;
}
