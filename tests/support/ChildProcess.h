#pragma once

// A child process for the tests' servers: started with fork and exec (no
// shell), in a process group of its own, and ended with its whole group.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvor::test {

class ChildProcess
{
public:
    struct Setup
    {
        std::string program;           // absolute path, run as is
        std::vector<std::string> args; // without the program name
        std::string outputFile;        // stderr (and stdout unless captured) go here
        bool captureStdout = false;    // read it with readLine()
    };

    // Starts the program; throws std::runtime_error when it cannot. The
    // child is asked to end (SIGTERM) should this thread end first, so make
    // it on a thread that outlives the object, as the test's own thread does.
    explicit ChildProcess(const Setup& setup);
    // terminate() with its default grace.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }

    // The next line the child writes on stdout, without its line end; none
    // when no whole line came within timeout or stdout was closed.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    // Whether the child has ended; terminate() reaps it.
    bool hasExited();

    // Sends SIGTERM to the child's group, waits up to grace for the child
    // to end, then sends SIGKILL to the group, and reaps the child.
    void terminate(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    bool waitForExit(std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_stdout = -1;
    std::string m_pending; // stdout read beyond the last whole line
};

} // namespace kelvor::test
