#pragma once

// Loopback endpoints that are not FTP servers, for the connect failures.

#include <cstdint>
#include <string>

namespace kelvor::test {

// A port on 127.0.0.1 where nothing listens: the socket holds the port (so
// no other test can take it) without listening, and a connection attempt is
// refused at once.
class RefusingPort
{
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// A server on 127.0.0.1 that accepts connections (the kernel completes the
// handshake) but never says a word: no greeting ever comes.
class SilentServer
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// A port on 127.0.0.1 that was free a moment ago (for servers that want
// their port on the command line; they must cope with losing a race).
std::uint16_t pickFreePort();

// Whether something listens on 127.0.0.1:port (read from /proc, without
// connecting, so a server sees no extra session).
bool isListening(std::uint16_t port);

} // namespace kelvor::test
