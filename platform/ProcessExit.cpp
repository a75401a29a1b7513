#include "platform/ProcessExit.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

void ExitAtOnce(int exitCode)
{
    // What was written must still come out; _Exit flushes nothing.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
