#include "tests/support/Sockets.h"

#include "tests/support/LoopbackAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <poll.h>
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

// The rows of /proc/net/tcp as "address:port" texts in its own form (the
// hex of the address as it lies in memory, then ":" and the hex port) and
// the hex state: 0A is LISTEN, 02 is SYN-sent.
struct TcpRow
{
    std::string local;
    std::string remote;
    std::string state;
};

std::vector<TcpRow> tcpTable()
{
    std::vector<TcpRow> rows;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line); // header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        TcpRow row;
        fields >> slot >> row.local >> row.remote >> row.state;
        rows.push_back(row);
    }
    return rows;
}

std::string tableEndpoint(const std::string& address, std::uint16_t port)
{
    in_addr raw{};
    if (::inet_pton(AF_INET, address.c_str(), &raw) != 1)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%08X:%04X", raw.s_addr, port);
    return text;
}

sockaddr_in ftpEndpoint(const std::string& address)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(kFtpPort);
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    return endpoint;
}

// A connection to a listener on loopback is answered at once, or not at all.
constexpr int kAnswerWaitMs = 200;
constexpr int kMaxFillers = 4;

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

UnansweringPort::UnansweringPort()
{
    m_address = onFreeLoopbackAddress([&](const std::string& candidate, std::string& failure) {
        m_listener = bindFtpPort(candidate);
        if (m_listener >= 0 && ::listen(m_listener, 0) == 0)
            return true;
        failure = candidate + ":21: " + std::strerror(errno);
        if (m_listener >= 0)
            ::close(m_listener);
        m_listener = -1;
        return false;
    });
    // Connect until one attempt goes unanswered: the queue is full then.
    const sockaddr_in endpoint = ftpEndpoint(m_address);
    for (int i = 0; i < kMaxFillers; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
        m_fillers.push_back(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0 &&
            errno != EINPROGRESS)
            throw std::runtime_error(m_address + ":21: " + std::strerror(errno));
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_fillerPorts.push_back(ntohs(local.sin_port));
        pollfd answer{fd, POLLOUT, 0};
        if (::poll(&answer, 1, kAnswerWaitMs) == 0)
            return;
    }
    throw std::runtime_error(m_address + ":21: the accept queue never filled");
}

UnansweringPort::~UnansweringPort()
{
    for (const int fd : m_fillers)
        ::close(fd);
    ::close(m_listener);
}

int UnansweringPort::attemptsWaiting() const
{
    const std::string unit = tableEndpoint(m_address, kFtpPort);
    int waiting = 0;
    for (const TcpRow& row : tcpTable()) {
        if (row.remote != unit || row.state != "02")
            continue;
        const auto colon = row.local.find(':');
        const auto port =
            static_cast<std::uint16_t>(std::stoul(row.local.substr(colon + 1), nullptr, 16));
        if (std::find(m_fillerPorts.begin(), m_fillerPorts.end(), port) == m_fillerPorts.end())
            ++waiting;
    }
    return waiting;
}

bool isListening(const std::string& address, std::uint16_t port)
{
    const std::string wanted = tableEndpoint(address, port);
    for (const TcpRow& row : tcpTable()) {
        if (row.local == wanted && row.state == "0A")
            return true;
    }
    return false;
}

} // namespace kelvor::test
