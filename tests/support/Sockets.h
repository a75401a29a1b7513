#pragma once

// Loopback endpoints that are not FTP servers, for the connect failures.
// Each holds port 21 of a loopback address of its own (LoopbackAddress.h).

#include <cstdint>
#include <string>
#include <vector>

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

// Port 21 of a loopback address where a unit that is still starting would
// be: a connection attempt gets no answer at all, not even a refusal, and
// waits in SYN-sent until the caller gives up. It is a listener with a
// backlog of 0 whose accept queue is held full by connections it never
// accepts, so the kernel drops the SYNs of any further one.
class UnansweringPort
{
public:
    UnansweringPort();
    ~UnansweringPort();
    UnansweringPort(const UnansweringPort&) = delete;
    UnansweringPort& operator=(const UnansweringPort&) = delete;
    const std::string& address() const { return m_address; }

    // How many connection attempts, other than its own, wait in SYN-sent
    // for an answer from it now.
    int attemptsWaiting() const;

private:
    int m_listener = -1;
    std::vector<int> m_fillers; // the connections that fill the queue
    std::vector<std::uint16_t> m_fillerPorts;
    std::string m_address;
};

// Whether something listens on address:port (read from /proc, without
// connecting, so a server sees no extra session).
bool isListening(const std::string& address, std::uint16_t port);

} // namespace kelvor::test
