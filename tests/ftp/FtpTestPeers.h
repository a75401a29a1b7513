#pragma once

// What the FTP tests share: the two real peers behind one face, shorter
// bounds, connecting, and running an operation on a worker thread.

#include "connection/Ftp.h"
#include "connection/FtpFaultInjection.h"
#include "platform/WorkerThread.h"
#include "tests/support/UnitStandIn.h"
#include "tests/support/Vsftpd.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace kelvor::test {

// How long a test waits for the server or a worker to get where it should:
// far more than it takes, so that only a fault runs into it.
inline constexpr auto kServerBound = std::chrono::seconds(30);

// The FTP layer waits these bounds instead of the program's while the object
// lives, so that a test of a server that never answers takes seconds.
class ShortBounds
{
public:
    explicit ShortBounds(const FtpBounds& bounds) { ftp_fault_injection::setBounds(bounds); }
    ~ShortBounds() { ftp_fault_injection::restoreBounds(); }
    ShortBounds(const ShortBounds&) = delete;
    ShortBounds& operator=(const ShortBounds&) = delete;
};

// The program's bounds with one of them changed.
inline FtpBounds boundsWith(std::chrono::milliseconds FtpBounds::*bound,
                            std::chrono::milliseconds value)
{
    FtpBounds bounds = kFtpBounds;
    bounds.*bound = value;
    return bounds;
}

enum class PeerKind
{
    StandIn,
    Vsftpd
};

inline std::string peerName(PeerKind kind)
{
    return kind == PeerKind::StandIn ? "StandIn" : "Vsftpd";
}

// Either peer: the unit stand-in (default options) or vsftpd.
class Peer
{
public:
    explicit Peer(PeerKind kind, UnitStandIn::Options options = {})
    {
        if (kind == PeerKind::StandIn)
            m_standIn = std::make_unique<UnitStandIn>(std::move(options));
        else
            m_vsftpd = std::make_unique<Vsftpd>();
    }

    // Where the peer listens, on port 21.
    std::string address() const { return m_standIn ? m_standIn->address() : m_vsftpd->address(); }
    std::string user() const { return m_standIn ? m_standIn->user() : m_vsftpd->user(); }
    std::string password() const
    {
        return m_standIn ? m_standIn->password() : m_vsftpd->password();
    }
    std::filesystem::path root() const { return m_standIn ? m_standIn->root() : m_vsftpd->root(); }
    std::filesystem::path localPath(std::string_view remote) const
    {
        return m_standIn ? m_standIn->localPath(remote) : m_vsftpd->localPath(remote);
    }
    std::vector<FtpCommand> commands() const
    {
        return m_standIn ? m_standIn->commands() : m_vsftpd->commands();
    }
    std::vector<FtpCommand> commands(std::string_view verb) const
    {
        return m_standIn ? m_standIn->commands(verb) : m_vsftpd->commands(verb);
    }
    // USER commands seen: one per login.
    std::size_t logins() const { return commands("USER").size(); }

    // Makes a folder (relative to the root) that the server's user may use.
    void makeFolder(const std::string& relative) const;
    // Puts a file on the server side, as the server's user.
    void putServerFile(const std::string& relative, const std::string& content) const;

    UnitStandIn* standIn() const { return m_standIn.get(); }

private:
    std::unique_ptr<UnitStandIn> m_standIn;
    std::unique_ptr<Vsftpd> m_vsftpd;
};

// A test run against each peer in turn; skipped, with the reason, where
// vsftpd cannot run here.
class PeerTest : public ::testing::TestWithParam<PeerKind>
{
protected:
    void SetUp() override
    {
        if (GetParam() == PeerKind::Vsftpd) {
            if (auto why = Vsftpd::unavailableReason())
                GTEST_SKIP() << *why;
        }
        peer = std::make_unique<Peer>(GetParam());
    }

    std::unique_ptr<Peer> peer;
};

// Connects to port 21 of address the way the program does (passive), from a
// session that is closed again at once.
std::unique_ptr<CFtpConnection> connectTo(const std::string& address, const std::string& user,
                                          const std::string& password, BOOL passive = TRUE);

inline std::unique_ptr<CFtpConnection> connectTo(const Peer& peer, BOOL passive = TRUE)
{
    return connectTo(peer.address(), peer.user(), peer.password(), passive);
}

inline std::unique_ptr<CFtpConnection> connectTo(const UnitStandIn& unit)
{
    return connectTo(unit.address(), unit.user(), unit.password());
}

// One operation of the layer, named by the command it sends, for tests that
// do the same to each: "STOR" puts localFile as KELVOR.bin, "DELE" removes
// KELVOR.bin, "NLST" lists /prog/ (TRUE when it found an entry or left a
// listing open).
struct CommandCase
{
    const char* verb;
    BOOL (*run)(CFtpConnection& connection, const std::string& localFile);
};
extern const CommandCase kStoreCommand;
extern const CommandCase kRemoveCommand;
extern const CommandCase kListCommand;

inline std::string commandCaseName(const ::testing::TestParamInfo<CommandCase>& info)
{
    return info.param.verb;
}

// The error code GetFtpConnection throws with, or 0 when it connects.
DWORD connectError(const std::string& address, const std::string& user,
                   const std::string& password);

// An FTP operation run on a worker started by AfxBeginThread, as the
// program's workers run. The worker commits the operation's result through
// CommitUnlessStopped, so committed() tells whether a result got out after
// a stop.
class WorkerOperation
{
public:
    // holdUntilReleased: the worker waits for release() before it starts the
    // operation (to stop it before it begins).
    explicit WorkerOperation(std::function<BOOL()> operation, bool holdUntilReleased = false);
    ~WorkerOperation();

    void release();
    CWinThread& thread() { return *m_thread; }
    bool waitForEnd(std::chrono::milliseconds bound) { return m_thread->WaitForEnd(bound); }
    // The operation's result once the worker has ended; -1 before.
    int result() const { return m_state->result.load(); }
    bool committed() const { return m_state->committed.load(); }

private:
    // Shared with the worker, which may outlive this object when a test
    // fails with the worker stuck.
    struct State
    {
        std::function<BOOL()> operation;
        std::atomic<bool> released{false};
        std::atomic<int> result{-1};
        std::atomic<bool> committed{false};
    };
    static UINT run(void* state);

    std::shared_ptr<State> m_state;
    std::unique_ptr<CWinThread> m_thread;
};

} // namespace kelvor::test
