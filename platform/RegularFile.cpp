#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFileForReading(const std::string& path)
{
    struct stat status
    {};
    // Looked at before opening: opening a device may do something by itself
    // (a modem line goes up, a tape rewinds).
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return -1;

    // The name may lead elsewhere by now. Without O_NONBLOCK the open of a
    // FIFO waits for a writer; O_NOCTTY keeps a terminal from becoming ours.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never wait anyway; the descriptor goes on as
    // an ordinary one.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
