#pragma once

#include "platform/Types.h"

// Checks at start-up that the system's socket layer works (an IPv4 socket
// can be made). FALSE when it does not.
BOOL AfxSocketInit();

// For tests: makes the check fail.
void SetSocketInitFailureForTesting(bool fail);
