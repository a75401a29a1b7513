#include "tests/support/FileLimit.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace kelvor::test {

NoMoreOpenFiles::NoMoreOpenFiles()
{
    if (::getrlimit(RLIMIT_NOFILE, &m_previous) != 0)
        throw std::runtime_error(std::string("getrlimit: ") + std::strerror(errno));
    rlimit none = m_previous;
    none.rlim_cur = 3;
    if (::setrlimit(RLIMIT_NOFILE, &none) != 0)
        throw std::runtime_error(std::string("setrlimit: ") + std::strerror(errno));
}

NoMoreOpenFiles::~NoMoreOpenFiles()
{
    ::setrlimit(RLIMIT_NOFILE, &m_previous);
}

} // namespace kelvor::test
