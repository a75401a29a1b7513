#pragma once

// Loopback endpoints that are not FTP servers, for the connect failures.
// Each holds port 21 of a loopback address of its own (LoopbackAddress.h).

#include <cstdint>
#include <string>

namespace kelvor::test {

// Port 21 of a loopback address where nothing listens: the socket holds the
// address (so no other test can take it) without listening, and a
// connection attempt is refused at once.
class RefusingPort
{
public:
    RefusingPort();
    // On this address, for a test that needs one of a particular form; throws
    // when another socket has it.
    explicit RefusingPort(const std::string& address);
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    const std::string& address() const { return m_address; }

private:
    int m_fd = -1;
    std::string m_address;
};

// A server on port 21 of a loopback address that accepts connections (the
// kernel completes the handshake) but never says a word: no greeting ever
// comes.
class SilentServer
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    const std::string& address() const { return m_address; }

private:
    int m_fd = -1;
    std::string m_address;
};

// Whether something listens on address:port (read from /proc, without
// connecting, so a server sees no extra session).
bool isListening(const std::string& address, std::uint16_t port);

} // namespace kelvor::test
