#include "tests/support/NoMoreFiles.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kelvor::test {

NoMoreFiles::NoMoreFiles()
{
    if (::getrlimit(RLIMIT_NOFILE, &m_saved) != 0)
        throw std::runtime_error("cannot read the limit of open files");
    // The system hands out the lowest free number, so the next open fails
    // once the limit is that number.
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (lowestFree < 0)
        throw std::runtime_error("cannot find a free file number");
    ::close(lowestFree);
    rlimit lowered = m_saved;
    lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
    if (::setrlimit(RLIMIT_NOFILE, &lowered) != 0)
        throw std::runtime_error("cannot lower the limit of open files");
    m_active = true;
}

void NoMoreFiles::release()
{
    if (m_active) {
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
        m_active = false;
    }
}

} // namespace kelvor::test
