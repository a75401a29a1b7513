#pragma once

// How names and paths travel to the server: which ones may be sent at all,
// and how a remote path is written into a libcurl URL.

#include <string>
#include <string_view>

namespace ftp_detail {

// A user name or password may hold anything but CR, LF and NUL: libcurl
// sends them raw in USER and PASS, so a line break would start a command of
// its own on the control connection.
bool isSendableCredential(std::string_view text);

// A remote file path for STOR or DELE: not empty, not ending in '/' (that
// names a folder, and libcurl cannot upload to it), and free of control
// bytes (below 0x20, and 0x7F), which libcurl either rejects in a URL or
// would pass on raw.
bool isSendableFilePath(std::string_view path);

// A path for NLST: free of control bytes; it may be empty or end in '/'.
bool isSendableListingPath(std::string_view path);

// The path with every byte except A-Z a-z 0-9 - _ ~ written as %XX. Put
// after "ftp://host:port/" and used with the no-CWD file method, libcurl
// decodes it back and sends exactly these bytes after STOR, a leading '/'
// (%2F) included.
std::string percentEncodePath(std::string_view path);

// Parses a dotted IPv4 address (four decimal numbers 0-255) and writes it
// back in its plain form to normalised. Anything else, host names
// included, is refused, so no name lookup ever happens.
bool parseDottedIPv4(std::string_view text, std::string& normalised);

} // namespace ftp_detail
