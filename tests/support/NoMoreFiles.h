#pragma once

// A real "too many open files": while the object lives, the process may open
// no further file, socket or pipe (its soft limit of open files is lowered to
// the lowest number that is free now); what is open stays usable. release()
// or the destructor restores the limit.

#include <sys/resource.h>

namespace kelvor::test {

class NoMoreFiles
{
public:
    NoMoreFiles();
    ~NoMoreFiles() { release(); }
    NoMoreFiles(const NoMoreFiles&) = delete;
    NoMoreFiles& operator=(const NoMoreFiles&) = delete;

    void release();

private:
    rlimit m_saved{};
    bool m_active = false;
};

} // namespace kelvor::test
