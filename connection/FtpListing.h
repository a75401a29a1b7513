#pragma once

// Turns the data of an NLST reply, exactly as the server sent it, into the
// entry names the listing cursor steps through.

#include <string>
#include <string_view>
#include <vector>

namespace ftp_detail {

// The bare name of one NLST line: some servers put the listed path in front
// of each name ("prog/x", "/prog/x"), so the name is what follows the last
// '/'. Trailing '/' characters, which some servers add to folders, are
// dropped first. "." and ".." stay as they are.
std::string bareName(std::string_view line);

// Splits NLST data into entries, in the server's order. Lines end in LF or
// CRLF, and nowhere else; the last line may lack its end. Empty lines, and
// lines with no name left after bareName, are skipped.
//
// A line that holds a control byte (a CR not followed by LF, a NUL, a tab,
// ...) is no name the program can act on, and no line end either: it stays
// one entry, byte for byte and without its prefix taken off, so that a
// removal of it is refused instead of reaching a file the server never
// listed.
std::vector<std::string> splitNameList(std::string_view data);

} // namespace ftp_detail
