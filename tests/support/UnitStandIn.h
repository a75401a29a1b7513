#pragma once

// The unit stand-in: a real FTP server (tests/support/unit_standin.py on
// pyftpdlib) that a test starts, programs with faults, and questions about
// what it received.
//
//     kelvor::test::UnitStandIn::Options options;
//     options.listing = std::vector<std::string>{".", "..", "prog.bin"};
//     kelvor::test::UnitStandIn unit(options);     // throws if it cannot start
//     ... connect to unit.address() port 21 with unit.user() / unit.password() ...
//     EXPECT_EQ(unit.commands("DELE").size(), 1u);
//
// The server runs in a process of its own for the object's life, on port 21
// of a loopback address of its own (LoopbackAddress.h); its root folder is a
// fresh temporary folder unless the options name one. Commands are logged when they arrive, before
// the server acts on them, so once a client has had a reply every command it sent before is visible
// here. The object must be made and destroyed on the same thread, one that lives as long as it (the
// test's own thread).

#include "tests/support/CommandLog.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvor::test {

class ChildProcess;

// A file the stand-in received through STOR.
struct ReceivedFile
{
    int session = 0;
    std::string path; // as the client named it, made absolute
    std::uint64_t bytes = 0;
    std::string sha256;    // of the bytes received, lower-case hex
    bool complete = false; // false when the transfer was cut short or stalled
};

// UnitStandIn::Refusal: answer a command with a reply code instead of
// carrying it out.
struct StandInRefusal
{
    std::string command; // "STOR", "DELE", "NLST", ...
    int code = 550;
    std::optional<int> times; // only the first n times; always when empty
};

// UnitStandIn::Options: where the stand-in listens, whom it lets in, and
// how it misbehaves.
struct StandInOptions
{
    std::string address; // a 127.x.y.z of its own; empty: picked at random
    std::string user = "kelvor";
    std::string password = "kelvor";
    std::filesystem::path root; // empty: a temporary folder, removed afterwards

    // Faults.
    bool refuseLogin = false;
    double refusedLoginDelaySeconds = 0.0; // delay before the 530
    std::vector<StandInRefusal> refusals;
    std::vector<std::string> neverAnswer; // logged, never answered
    // {command, reply line}: answered with exactly that line, not carried out
    std::vector<std::pair<std::string, std::string>> replies;
    std::optional<std::uint64_t> keepStorBytes;  // writes only these, answers 226
    std::optional<std::uint64_t> stallStorAfter; // stop reading STOR data
    std::optional<double> late226Seconds;        // final STOR reply this late
    std::optional<std::uint64_t> dropAfter;      // close the control connection

    // NLST. Without a scripted listing the real folder is listed (and a
    // missing folder is answered 550, as pyftpdlib does).
    std::optional<std::vector<std::string>> listing; // scripted; {} lists nothing
    std::optional<std::string> rawListing;           // scripted: exactly these bytes
    std::optional<std::string> listingPath;          // script only "NLST <this>"
    bool dotEntries = false;                         // real listings start with "." and ".."
    bool listingPrefix = false;                      // names as "<argument>/<name>"
    bool listingLf = false;                          // LF instead of CRLF line ends

    // Extra command-line arguments for unit_standin.py.
    std::vector<std::string> extraArguments;
};

class UnitStandIn
{
public:
    using Refusal = StandInRefusal;
    using Options = StandInOptions;

    explicit UnitStandIn(Options options = {});
    ~UnitStandIn();
    UnitStandIn(const UnitStandIn&) = delete;
    UnitStandIn& operator=(const UnitStandIn&) = delete;

    // Where it listens, always on port 21.
    const std::string& address() const { return m_address; }
    const std::string& user() const { return m_options.user; }
    const std::string& password() const { return m_options.password; }
    const std::filesystem::path& root() const { return m_root; }
    // The local path of a remote path ("/prog/x" -> <root>/prog/x).
    std::filesystem::path localPath(std::string_view remotePath) const;

    // Everything logged so far, in order.
    std::vector<LogRecord> records() const;
    std::vector<FtpCommand> commands() const;
    std::vector<FtpCommand> commands(std::string_view verb) const;
    std::vector<ReceivedFile> receivedFiles() const;
    // Control connections accepted so far.
    int sessions() const;

    // Waits up to timeout for a record of kind ("stalled", "received",
    // "disconnect", ...) to be logged; false when none came in time.
    bool waitForRecord(std::string_view kind, std::chrono::milliseconds timeout) const;

    // The server's own messages (standard error), for failure reports.
    std::string serverOutput() const;

private:
    bool start(const std::string& address, std::string& failure);

    Options m_options;
    std::string m_address;
    std::unique_ptr<TempDir> m_dir; // log, output, and the root unless given
    std::filesystem::path m_root;
    std::filesystem::path m_log;
    std::filesystem::path m_output;
    std::unique_ptr<ChildProcess> m_process;
};

} // namespace kelvor::test
