#include "connection/FtpFaultInjection.h"

#include <atomic>

namespace {

// A connection is made on one thread and used on another, and a test may
// set the values while a worker reads them.
std::atomic<long long> g_connectAndLoginMs{kFtpBounds.connectAndLogin.count()};
std::atomic<long long> g_serverResponseMs{kFtpBounds.serverResponse.count()};
std::atomic<long long> g_stalledTransferMs{kFtpBounds.stalledTransfer.count()};
std::atomic<long long> g_sizeAnswerMs{kFtpBounds.sizeAnswer.count()};
std::atomic<bool> g_sessionOpensFail{false};

} // namespace

FtpBounds ftpBoundsInForce()
{
    return {std::chrono::milliseconds(g_connectAndLoginMs.load()),
            std::chrono::milliseconds(g_serverResponseMs.load()),
            std::chrono::milliseconds(g_stalledTransferMs.load()),
            std::chrono::milliseconds(g_sizeAnswerMs.load())};
}

bool sessionOpensFail()
{
    return g_sessionOpensFail.load();
}

namespace ftp_fault_injection {

void setBounds(const FtpBounds& bounds)
{
    g_connectAndLoginMs.store(bounds.connectAndLogin.count());
    g_serverResponseMs.store(bounds.serverResponse.count());
    g_stalledTransferMs.store(bounds.stalledTransfer.count());
    g_sizeAnswerMs.store(bounds.sizeAnswer.count());
}

void restoreBounds()
{
    setBounds(kFtpBounds);
}

void failSessionOpens(bool fail)
{
    g_sessionOpensFail.store(fail);
}

} // namespace ftp_fault_injection
