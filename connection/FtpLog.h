#pragma once

// The FTP dialogue for support staff: the logging category "kelvor.ftp",
// silent unless switched on with QT_LOGGING_RULES="kelvor.ftp.debug=true"
// (or "kelvor.ftp=true"). When on, every command sent and every reply
// received goes to standard error, with the password of a PASS shown as
// "****", and every failed operation with libcurl's result and the unit's
// last reply. Safe on any thread.

#include <string>
#include <string_view>

namespace ftp_log {

// Whether anything is written; cheap enough for every transfer.
bool enabled();

// What libcurl sent on the control connection: one or more command lines.
void sent(std::string_view bytes);

// What the unit answered: one or more reply lines.
void received(std::string_view bytes);

// An operation ("upload of /prog/KELVOR.BIN") failed with libcurl's result
// curlCode; lastReply is the unit's last reply line ("" for none).
void failed(std::string_view operation, int curlCode, std::string_view lastReply);

// Something about an operation a support engineer needs besides the above.
void note(std::string_view text);

// How a line is shown: control bytes as \xNN, so that whatever the unit
// sends stays one line on the terminal.
std::string shownLine(std::string_view line);

// How a command line is shown: as shownLine, and a PASS with "****" in place
// of the password.
std::string shownCommand(std::string_view line);

} // namespace ftp_log
