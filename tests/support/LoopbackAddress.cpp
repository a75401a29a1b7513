#include "tests/support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvor::test {

std::string randomLoopbackAddress()
{
    static thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> octet(1, 254);
    for (;;) {
        const std::string address = "127." + std::to_string(octet(generator)) + "." +
                                    std::to_string(octet(generator)) + "." +
                                    std::to_string(octet(generator));
        if (address != "127.1.1.10")
            return address;
    }
}

int bindFtpPort(const std::string& address)
{
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(kFtpPort);
    if (::inet_pton(AF_INET, address.c_str(), &socketAddress.sin_addr) != 1) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::string onFreeLoopbackAddress(
    const std::function<bool(const std::string& address, std::string& failure)>& start,
    int attempts)
{
    std::string failure = "no attempt made";
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::string address = randomLoopbackAddress();
        // A quick look first, so that a taken address costs no server start.
        const int probe = bindFtpPort(address);
        if (probe < 0) {
            failure = address + ":21: " + std::strerror(errno);
            if (errno == EACCES)
                break; // not in the test namespace: no address will do
            continue;
        }
        ::close(probe);
        if (start(address, failure))
            return address;
    }
    throw std::runtime_error("no loopback address with a free port 21 (" + failure +
                             "); binding port 21 needs the test namespace of tools/isolated.sh");
}

} // namespace kelvor::test
