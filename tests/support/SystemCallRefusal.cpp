#include "tests/support/SystemCallRefusal.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <exception>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace kelvor::test {

namespace {

#if defined(__x86_64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_AARCH64;
#else
#error "system call refusal: unknown architecture"
#endif

} // namespace

// The call answers EMFILE; every other call, and every call of another
// architecture's numbering, goes on.
void refuseOnThisThread(RefusedCall call)
{
    const unsigned number = call == RefusedCall::Socket ? __NR_socket : __NR_socketpair;
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, number, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EMFILE & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    // Without the flag the filter is for the calling thread only.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) != 0)
        throw std::runtime_error(std::string("seccomp: ") + std::strerror(errno));
}

void runWhereRefused(RefusedCall call, const std::function<void()>& body)
{
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            refuseOnThisThread(call);
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace kelvor::test
