#pragma once

// Hooks for the tests only; the program never calls them.

#include "platform/Types.h"

#include <optional>

namespace ftp_test_seams {

// Connects to this port instead of the one the caller asks for, so tests can
// reach an unprivileged test server where the program dials port 21.
void SetPortOverride(std::optional<INTERNET_PORT> port);

// Makes every following session open fail, as a session open can when the
// system is out of resources.
void SetSessionOpenFailure(bool fail);

} // namespace ftp_test_seams
