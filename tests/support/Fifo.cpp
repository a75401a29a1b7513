#include "tests/support/Fifo.h"

#include "tests/support/Poll.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvor::test {

Fifo::Fifo(std::filesystem::path path, std::chrono::milliseconds bound) : m_path(std::move(path))
{
    if (::mkfifo(m_path.c_str(), 0600) != 0)
        throw std::system_error(errno, std::generic_category(), "mkfifo " + m_path.string());
    m_watch = std::jthread([this, bound](std::stop_token stop) {
        if (pollUntil([&] { return stop.stop_requested(); }, bound))
            return;
        while (!pollUntil([&] { return stop.stop_requested(); }, std::chrono::milliseconds(20))) {
            // Succeeds only while somebody has the reading end open or is
            // waiting to.
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
                m_released.store(true);
            }
        }
    });
}

Fifo::~Fifo()
{
    m_watch.request_stop();
    m_watch.join();
}

} // namespace kelvor::test
