#include "tests/support/Sockets.h"

#include "tests/support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvor::test {

namespace {

// Binds port 21 of a free loopback address; listens too when asked.
int holdFtpPort(std::string& address, bool listen)
{
    int fd = -1;
    address = onFreeLoopbackAddress([&](const std::string& candidate, std::string& failure) {
        fd = bindFtpPort(candidate);
        if (fd >= 0 && (!listen || ::listen(fd, 16) == 0))
            return true;
        failure = candidate + ":21: " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        return false;
    });
    return fd;
}

} // namespace

RefusingPort::RefusingPort()
{
    m_fd = holdFtpPort(m_address, false);
}

RefusingPort::RefusingPort(const std::string& address) : m_address(address)
{
    m_fd = bindFtpPort(address);
    if (m_fd < 0)
        throw std::runtime_error(address + ":21: " + std::strerror(errno));
}

RefusingPort::~RefusingPort()
{
    ::close(m_fd);
}

SilentServer::SilentServer()
{
    m_fd = holdFtpPort(m_address, true);
}

SilentServer::~SilentServer()
{
    ::close(m_fd);
}

bool isListening(const std::string& address, std::uint16_t port)
{
    // Lines read "sl local_address rem_address st ...", addresses as the
    // hex of the address as it lies in memory, then ":port"; state 0A is
    // LISTEN.
    in_addr raw{};
    if (::inet_pton(AF_INET, address.c_str(), &raw) != 1)
        return false;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "%08X:%04X", raw.s_addr, port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line); // header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

} // namespace kelvor::test
