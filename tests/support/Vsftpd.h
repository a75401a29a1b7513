#pragma once

// vsftpd as a second real FTP peer: started by the test with a config of
// its own on port 21 of a loopback address of its own (LoopbackAddress.h),
// serving a fresh temporary folder to the local test user that exists only
// inside the tests' namespace (tools/isolated.sh as root adds it there with
// tools/with-test-user.sh).
//
//     if (auto why = kelvor::test::Vsftpd::unavailableReason())
//         GTEST_SKIP() << *why;
//     kelvor::test::Vsftpd server;   // throws if it cannot start
//
// vsftpd needs root (it logs local users in through PAM and chroots them).
// Its protocol log replaces bytes it finds unprintable (non-ASCII included)
// with '?', so commands() suits ASCII checks; check odd names on disk. The
// object must be made and destroyed on the same thread, one that lives as
// long as it.

#include "tests/support/CommandLog.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvor::test {

class ChildProcess;

class Vsftpd
{
public:
    static constexpr const char* kUser = "kelvorftp";
    static constexpr const char* kPassword = "kelvorftp-test";

    // Why vsftpd cannot run here (not root, not installed, test user
    // missing), or nothing when it can.
    static std::optional<std::string> unavailableReason();

    Vsftpd();
    ~Vsftpd();
    Vsftpd(const Vsftpd&) = delete;
    Vsftpd& operator=(const Vsftpd&) = delete;

    // Where it listens, always on port 21.
    const std::string& address() const { return m_address; }
    std::string user() const { return kUser; }
    std::string password() const { return kPassword; }
    // The folder the user sees as "/", owned by the test user.
    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path localPath(std::string_view remotePath) const;

    // Commands from the protocol log, in order (session is always 0: vsftpd
    // logs a session from several processes). PASS reads "<password>".
    std::vector<FtpCommand> commands() const;
    std::vector<FtpCommand> commands(std::string_view verb) const;
    // Successful logins so far.
    int logins() const;

    // vsftpd's own output and log, for failure reports.
    std::string serverOutput() const;

private:
    bool start(const std::string& address, std::string& failure);

    std::unique_ptr<TempDir> m_dir;
    std::filesystem::path m_root;
    std::filesystem::path m_log;
    std::filesystem::path m_output;
    std::string m_address;
    std::unique_ptr<ChildProcess> m_process;
};

} // namespace kelvor::test
