#pragma once

// What travels to the server, and in which form: the one road by which a
// remote path, a login and the unit's address reach libcurl.
//
// libcurl puts a path on the wire in one of three ways, each with its own
// rules: decoded from the URL (STOR), raw in a QUOTE command (DELE, and the
// SIZE that follows a STOR), or raw in a custom request (NLST). Raw or
// decoded, a CR or LF in the path would end the command early and start one
// of the server's choosing, so every path passes the same check in toWire
// before any of them is built.

#include <optional>
#include <string>
#include <string_view>

namespace ftp_detail {

enum class FtpOperation
{
    Store,  // STOR path: upload a file
    Remove, // DELE path: delete a file
    List,   // NLST path: list a folder
};

// What libcurl is given for one operation on a path.
struct FtpWireRequest
{
    // Put after "ftp://host:port/": the path of a STOR, "" for the others
    // (they work on the login's own folder and name their path in command).
    std::string urlPath;
    // For Remove the QUOTE line, for List the custom request. For Store the
    // QUOTE line of the size question asked once the unit has confirmed the
    // store: SIZE with the very bytes that follow STOR.
    std::string command;
};

// The request for operation on remotePath, or nothing when the path cannot
// be sent: a path holding a control byte (below 0x20, or 0x7F) never can;
// a Store or Remove path must also name a file, so it may be neither empty
// nor end in '/'. A List path may be empty (the login's folder) or end in
// '/'. Any other byte, non-ASCII ones included, goes as it is.
std::optional<FtpWireRequest> toWire(FtpOperation operation, std::string_view remotePath);

// A user name or password may hold anything but CR, LF and NUL: libcurl
// sends them raw in USER and PASS, so a line break would start a command of
// its own on the control connection.
bool isSendableCredential(std::string_view text);

// Parses a dotted IPv4 address (four decimal numbers 0-255, at most three
// digits each) and writes it back in its plain form to normalised. Anything
// else, host names included, is refused, so no name lookup ever happens.
bool parseDottedIPv4(std::string_view text, std::string& normalised);

} // namespace ftp_detail
