#pragma once

#include <string>

// Opens path for reading when it names a regular file, or a link to one, and
// never waits in doing so: a FIFO, a device, a socket or a folder is refused
// and never opened, so no driver's open runs, even when the name is changed
// for one of them while this runs. Returns a close-on-exec descriptor with
// plain (blocking) reads, or -1.
int OpenRegularFileForReading(const std::string& path);
