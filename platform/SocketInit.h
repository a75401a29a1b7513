#pragma once

#include "platform/Types.h"

// Checks at start-up that the system's socket layer works: an IPv4 socket
// can be made. FALSE when it cannot (no IPv4 in the kernel, or the process
// may open no more files).
BOOL AfxSocketInit();
