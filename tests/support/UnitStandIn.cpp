#include "tests/support/UnitStandIn.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/LoopbackAddress.h"
#include "tests/support/Poll.h"
#include "tests/support/TestFiles.h"

#include <sstream>
#include <stdexcept>

#ifndef KELVOR_TEST_PYTHON
#error "KELVOR_TEST_PYTHON must name the Python with pyftpdlib"
#endif
#ifndef KELVOR_UNIT_STANDIN_SCRIPT
#error "KELVOR_UNIT_STANDIN_SCRIPT must name unit_standin.py"
#endif

namespace kelvor::test {

namespace {

// Python and pyftpdlib start within a second here; a loaded machine running
// tests in parallel may take longer.
constexpr auto kStandInStartBound = std::chrono::seconds(20);

std::string number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

UnitStandIn::UnitStandIn(Options options) : m_options(std::move(options))
{
    m_dir = std::make_unique<TempDir>("kelvor-standin");
    m_root = m_options.root.empty() ? m_dir->path() / "root" : m_options.root;
    std::filesystem::create_directories(m_root);
    m_log = m_dir->path() / "commands.jsonl";
    m_output = m_dir->path() / "server.log";

    if (!m_options.address.empty()) {
        std::string failure;
        if (!start(m_options.address, failure))
            throw std::runtime_error(failure);
        m_address = m_options.address;
        return;
    }
    m_address = onFreeLoopbackAddress([this](const std::string& address, std::string& failure) {
        return start(address, failure);
    });
}

bool UnitStandIn::start(const std::string& address, std::string& failure)
{
    std::vector<std::string> args = {KELVOR_UNIT_STANDIN_SCRIPT,
                                     "--address",
                                     address,
                                     "--port",
                                     std::to_string(kFtpPort),
                                     "--user",
                                     m_options.user,
                                     "--password",
                                     m_options.password,
                                     "--root",
                                     m_root.string(),
                                     "--log",
                                     m_log.string(),
                                     "--auth-failed-delay",
                                     number(m_options.refusedLoginDelaySeconds)};
    if (m_options.refuseLogin)
        args.push_back("--refuse-login");
    for (const Refusal& refusal : m_options.refusals) {
        std::string refusalArgument = refusal.command;
        refusalArgument += ':';
        refusalArgument += std::to_string(refusal.code);
        if (refusal.times) {
            refusalArgument += ':';
            refusalArgument += std::to_string(*refusal.times);
        }
        args.insert(args.end(), {"--refuse", refusalArgument});
    }
    for (const std::string& command : m_options.neverAnswer)
        args.insert(args.end(), {"--never-answer", command});
    for (const auto& [command, line] : m_options.replies)
        args.push_back("--reply=" + command + ":" + line);
    if (m_options.keepStorBytes)
        args.insert(args.end(), {"--keep-stor-bytes", std::to_string(*m_options.keepStorBytes)});
    if (m_options.stallStorAfter)
        args.insert(args.end(), {"--stall-stor-after", std::to_string(*m_options.stallStorAfter)});
    if (m_options.late226Seconds)
        args.insert(args.end(), {"--late-226", number(*m_options.late226Seconds)});
    if (m_options.dropAfter)
        args.insert(args.end(), {"--drop-after", std::to_string(*m_options.dropAfter)});
    if (m_options.listing) {
        if (m_options.listing->empty())
            args.push_back("--empty-listing");
        for (const std::string& name : *m_options.listing)
            args.push_back("--listing=" + name);
    }
    if (m_options.rawListing) {
        const std::filesystem::path raw = m_dir->path() / "listing.raw";
        writeFile(raw, *m_options.rawListing);
        args.push_back("--listing-raw=" + raw.string());
    }
    if (m_options.listingPath)
        args.push_back("--listing-path=" + *m_options.listingPath);
    if (m_options.dotEntries)
        args.push_back("--dot-entries");
    if (m_options.listingPrefix)
        args.push_back("--listing-prefix");
    if (m_options.listingLf)
        args.insert(args.end(), {"--listing-eol", "lf"});
    args.insert(args.end(), m_options.extraArguments.begin(), m_options.extraArguments.end());

    m_process = std::make_unique<ChildProcess>(
        ChildProcess::Setup{KELVOR_TEST_PYTHON, args, m_output.string(), true});
    const std::optional<std::string> line = m_process->readLine(kStandInStartBound);
    if (!line || line->rfind("PORT ", 0) != 0) {
        // Most likely another server took the address in the meantime.
        m_process->terminate();
        m_process.reset();
        failure =
            "the unit stand-in did not start on " + address + "; its output:\n" + serverOutput();
        return false;
    }
    return true;
}

UnitStandIn::~UnitStandIn() = default;

std::filesystem::path UnitStandIn::localPath(std::string_view remotePath) const
{
    std::filesystem::path relative(remotePath);
    return m_root / relative.relative_path();
}

std::vector<LogRecord> UnitStandIn::records() const
{
    return readStandInLog(m_log);
}

std::vector<FtpCommand> UnitStandIn::commands() const
{
    return commandsOf(records());
}

std::vector<FtpCommand> UnitStandIn::commands(std::string_view verb) const
{
    return withVerb(commands(), verb);
}

std::vector<ReceivedFile> UnitStandIn::receivedFiles() const
{
    std::vector<ReceivedFile> files;
    for (const LogRecord& record : records()) {
        if (record.kind != "received")
            continue;
        files.push_back(ReceivedFile{record.session, record.field("path"),
                                     std::stoull(record.field("bytes")), record.field("sha256"),
                                     record.field("complete") == "true"});
    }
    return files;
}

int UnitStandIn::sessions() const
{
    int count = 0;
    for (const LogRecord& record : records())
        count += record.kind == "connect" ? 1 : 0;
    return count;
}

bool UnitStandIn::waitForRecord(std::string_view kind, std::chrono::milliseconds timeout) const
{
    return pollUntil(
        [&] {
            for (const LogRecord& record : records()) {
                if (record.kind == kind)
                    return true;
            }
            return false;
        },
        timeout);
}

std::string UnitStandIn::serverOutput() const
{
    try {
        return readFile(m_output);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace kelvor::test
