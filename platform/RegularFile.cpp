#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFileForReading(const std::string& path)
{
    if (path.empty())
        return -1;
    // Only found, not opened: opening a device may do something by itself (a
    // modem line goes up, a tape rewinds), and a FIFO would wait for a writer.
    const int found = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (found < 0)
        return -1;
    struct stat status
    {};
    int fd = -1;
    if (::fstat(found, &status) == 0 && S_ISREG(status.st_mode)) {
        // Opened through the descriptor looked at, not by name again: what
        // the name leads to by now does not matter.
        const std::string self = "/proc/self/fd/" + std::to_string(found);
        fd = ::open(self.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    }
    ::close(found);
    return fd;
}
