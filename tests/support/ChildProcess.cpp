#include "tests/support/ChildProcess.h"

#include "tests/support/Poll.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvor::test {

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error systemError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

ChildProcess::ChildProcess(const Setup& setup)
{
    // Everything the child needs is made before fork: between fork and exec
    // only async-signal-safe calls are allowed.
    std::vector<std::string> argvStore;
    argvStore.push_back(setup.program);
    argvStore.insert(argvStore.end(), setup.args.begin(), setup.args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStore)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const int output =
        ::open(setup.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (output < 0)
        throw systemError("cannot open " + setup.outputFile);
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int pipeFds[2] = {-1, -1};
    if (setup.captureStdout && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        ::close(output);
        throw systemError("pipe");
    }
    const pid_t parent = ::getpid();

    m_pid = ::fork();
    if (m_pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(setup.captureStdout ? pipeFds[1] : output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int forkErrno = errno;
    ::close(output);
    ::close(devNull);
    if (setup.captureStdout)
        ::close(pipeFds[1]);
    if (m_pid < 0) {
        if (setup.captureStdout)
            ::close(pipeFds[0]);
        errno = forkErrno;
        throw systemError("fork");
    }
    // Also set here, so that the group exists before terminate() can run.
    ::setpgid(m_pid, m_pid);
    m_stdout = pipeFds[0];
}

ChildProcess::~ChildProcess()
{
    terminate();
    if (m_stdout >= 0)
        ::close(m_stdout);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return line;
        }
        if (m_stdout < 0)
            return std::nullopt;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd{m_stdout, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[512];
        const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got <= 0) {
            ::close(m_stdout);
            m_stdout = -1;
            continue;
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::hasExited()
{
    if (m_reaped || m_pid <= 0)
        return true;
    // Not reaped yet: while the ended child is a zombie its process id, and
    // so its group id, cannot go to another process, and terminate() can
    // still signal what is left of the group.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == m_pid;
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    // waitid cannot take a timeout.
    return pollUntil([this] { return hasExited(); }, timeout, std::chrono::milliseconds(5));
}

void ChildProcess::terminate(std::chrono::milliseconds grace)
{
    if (m_pid <= 0 || m_reaped)
        return;
    if (!hasExited()) {
        ::kill(-m_pid, SIGTERM);
        waitForExit(grace);
    }
    // Whatever is left of the group (a server's session processes, or the
    // child itself when it ignored SIGTERM).
    ::kill(-m_pid, SIGKILL);
    waitForExit(std::chrono::seconds(10));
    int status = 0;
    const pid_t reaped = ::waitpid(m_pid, &status, WNOHANG);
    if (reaped == m_pid || (reaped < 0 && errno == ECHILD))
        m_reaped = true;
}

} // namespace kelvor::test
