#include "platform/SocketInit.h"

#include <sys/socket.h>
#include <unistd.h>

BOOL AfxSocketInit()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return FALSE;
    ::close(fd);
    return TRUE;
}
