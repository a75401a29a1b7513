#pragma once

// What the FTP classes read of the test seams (connection/FtpTestSeams.h):
// the values in force, the defaults unless a test changed them.

#include "connection/FtpTestSeams.h"

#include <optional>

namespace ftp_detail {

std::optional<INTERNET_PORT> portOverride();
bool sessionOpenFails();
ftp_test_seams::Timeouts timeouts();

} // namespace ftp_detail
