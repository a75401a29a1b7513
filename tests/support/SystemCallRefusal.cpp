#include "tests/support/SystemCallRefusal.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <exception>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

namespace kelvor::test {

namespace {

#if defined(__x86_64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_X86_64;
void setReturnValue(ucontext_t& context, long value)
{
    context.uc_mcontext.gregs[REG_RAX] = value;
}
#elif defined(__aarch64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_AARCH64;
void setReturnValue(ucontext_t& context, long value)
{
    context.uc_mcontext.regs[0] = static_cast<unsigned long long>(value);
}
#else
#error "system call refusal: unknown architecture"
#endif

// si_code of a SIGSYS raised by a seccomp filter (SYS_SECCOMP, which the C
// library declares only for some feature macros).
constexpr int kSeccompTrap = 1;

thread_local int t_refusals = 0;

// The filter traps a refused call instead of failing it in the kernel, so
// that the refusal is counted here; the call then returns -EMFILE to its
// caller as the kernel's refusal would.
void onRefusedCall(int, siginfo_t* info, void* context)
{
    if (info->si_code != kSeccompTrap)
        return;
    ++t_refusals;
    setReturnValue(*static_cast<ucontext_t*>(context), -EMFILE);
}

void installTrapHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action{};
        action.sa_sigaction = &onRefusedCall;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        if (::sigaction(SIGSYS, &action, nullptr) != 0)
            throw std::runtime_error(std::string("sigaction: ") + std::strerror(errno));
    });
}

std::vector<unsigned> callsOf(RefusedCall call)
{
    switch (call) {
    case RefusedCall::Socket:
        return {__NR_socket};
    case RefusedCall::WakeUpChannel:
        return {
            __NR_socketpair,
            __NR_eventfd2,
#ifdef __NR_eventfd
            __NR_eventfd,
#endif
        };
    }
    return {};
}

} // namespace

// The calls trap; every other call, and every call of another
// architecture's numbering, goes on.
void refuseOnThisThread(RefusedCall call)
{
    installTrapHandler();
    const std::vector<unsigned> calls = callsOf(call);
    const auto count = static_cast<unsigned char>(calls.size());
    std::vector<sock_filter> program;
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    // Another architecture: jump over the number checks and the trap.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 0,
                               static_cast<unsigned char>(count + 1)));
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
    for (unsigned i = 0; i < count; ++i) {
        // A match jumps to the trap, past the remaining checks and the
        // allow after them.
        const auto toTrap = static_cast<unsigned char>(count - i);
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, calls[i], toTrap, 0));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP));
    sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    // Without the flag the filter is for the calling thread only.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) != 0)
        throw std::runtime_error(std::string("seccomp: ") + std::strerror(errno));
}

int refusalsOnThisThread()
{
    return t_refusals;
}

int runWhereRefused(RefusedCall call, const std::function<void()>& body)
{
    std::exception_ptr failure;
    int refusals = 0;
    std::thread thread([&] {
        try {
            refuseOnThisThread(call);
            body();
        } catch (...) {
            failure = std::current_exception();
        }
        refusals = refusalsOnThisThread();
    });
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
    return refusals;
}

} // namespace kelvor::test
