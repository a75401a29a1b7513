#include "tests/support/Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvor::test {

namespace {

int boundLoopbackSocket(std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::runtime_error(std::string("bind: ") + std::strerror(error));
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

RefusingPort::RefusingPort()
{
    m_fd = boundLoopbackSocket(m_port);
}

RefusingPort::~RefusingPort()
{
    ::close(m_fd);
}

SilentServer::SilentServer()
{
    m_fd = boundLoopbackSocket(m_port);
    if (::listen(m_fd, 16) != 0) {
        ::close(m_fd);
        throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
    }
}

SilentServer::~SilentServer()
{
    ::close(m_fd);
}

std::uint16_t pickFreePort()
{
    std::uint16_t port = 0;
    ::close(boundLoopbackSocket(port));
    return port;
}

bool isListening(std::uint16_t port)
{
    // Lines read "sl local_address rem_address st ...", addresses as
    // hex ip:port; state 0A is LISTEN.
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
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
