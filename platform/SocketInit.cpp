#include "platform/SocketInit.h"

#include <atomic>
#include <sys/socket.h>
#include <unistd.h>

namespace {
std::atomic<bool> g_failForTesting{false};
}

BOOL AfxSocketInit()
{
    if (g_failForTesting)
        return FALSE;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return FALSE;
    ::close(fd);
    return TRUE;
}

void SetSocketInitFailureForTesting(bool fail)
{
    g_failForTesting = fail;
}
