#pragma once

// What a test FTP server saw: the commands it received, and for the unit
// stand-in also its connections and received files.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kelvor::test {

// One command line as the server received it.
struct FtpCommand
{
    int session = 0;      // which control connection: 1, 2, ... in order of arrival
    std::string verb;     // upper case, e.g. "STOR"
    std::string argument; // the bytes after the first space, exactly as sent
    std::string line;     // the whole line, for messages

    bool is(std::string_view v) const { return verb == v; }
};

// One record of the unit stand-in's JSON-lines log (see unit_standin.py):
// kind ("connect", "command", "received", "stalled", "dropped",
// "disconnect"), seq, session, and the other fields as text (numbers and
// booleans in their JSON spelling).
struct LogRecord
{
    std::string kind;
    long seq = 0;
    int session = 0;
    std::map<std::string, std::string> fields;

    std::string field(const std::string& name) const;
};

// Reads the records of a stand-in log; a last line still being written is
// left out.
std::vector<LogRecord> readStandInLog(const std::filesystem::path& log);

// The commands among records.
std::vector<FtpCommand> commandsOf(const std::vector<LogRecord>& records);

// The commands whose verb is verb.
std::vector<FtpCommand> withVerb(const std::vector<FtpCommand>& commands, std::string_view verb);

// "USER u | PASS p | ..." for failure messages.
std::string describe(const std::vector<FtpCommand>& commands);

} // namespace kelvor::test
