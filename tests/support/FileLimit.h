#pragma once

// A process that may open no more files: the real fault behind "the system
// is out of resources". While the object lives, the soft limit on open
// files sits at 3, below every descriptor but the standard three, so that
// no file, socket, pipe or socket pair can be made by any thread, whichever
// descriptors are closed meanwhile; descriptors already open go on working.
// Keep its life short: the test's own helpers cannot open files either.

#include <sys/resource.h>

namespace kelvor::test {

class NoMoreOpenFiles
{
public:
    NoMoreOpenFiles();
    ~NoMoreOpenFiles();
    NoMoreOpenFiles(const NoMoreOpenFiles&) = delete;
    NoMoreOpenFiles& operator=(const NoMoreOpenFiles&) = delete;

private:
    rlimit m_previous{};
};

} // namespace kelvor::test
