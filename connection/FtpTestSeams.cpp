#include "connection/FtpTestSeams.h"

#include "connection/FtpTuning.h"

#include <atomic>

using namespace std::chrono_literals;

namespace {

// A session is opened on one thread and its connection used on another, so
// the seams are atomics: a test may set them while a worker reads them.
constexpr int kNoPort = -1;
std::atomic<int> g_portOverride{kNoPort};
std::atomic<bool> g_sessionOpenFailure{false};

// A unit may write its flash before it confirms an upload, so the final
// reply gets two minutes; a refused login arrives after about 3 s, so the
// login bound stays well above that.
constexpr ftp_test_seams::Timeouts kDefaultTimeouts{15s, 120s, 60s};

std::atomic<long long> g_connectMs{kDefaultTimeouts.connectAndLogin.count()};
std::atomic<long long> g_responseMs{kDefaultTimeouts.serverResponse.count()};
std::atomic<long long> g_stalledMs{kDefaultTimeouts.stalledTransfer.count()};

} // namespace

namespace ftp_test_seams {

void SetPortOverride(std::optional<INTERNET_PORT> port)
{
    g_portOverride.store(port ? int(*port) : kNoPort);
}

void SetSessionOpenFailure(bool fail)
{
    g_sessionOpenFailure.store(fail);
}

Timeouts DefaultTimeouts()
{
    return kDefaultTimeouts;
}

Timeouts CurrentTimeouts()
{
    return {std::chrono::milliseconds(g_connectMs.load()),
            std::chrono::milliseconds(g_responseMs.load()),
            std::chrono::milliseconds(g_stalledMs.load())};
}

void SetTimeouts(std::optional<Timeouts> timeouts)
{
    const Timeouts value = timeouts.value_or(kDefaultTimeouts);
    g_connectMs.store(value.connectAndLogin.count());
    g_responseMs.store(value.serverResponse.count());
    g_stalledMs.store(value.stalledTransfer.count());
}

} // namespace ftp_test_seams

namespace ftp_detail {

std::optional<INTERNET_PORT> portOverride()
{
    const int port = g_portOverride.load();
    if (port == kNoPort)
        return std::nullopt;
    return static_cast<INTERNET_PORT>(port);
}

bool sessionOpenFails()
{
    return g_sessionOpenFailure.load();
}

ftp_test_seams::Timeouts timeouts()
{
    return ftp_test_seams::CurrentTimeouts();
}

} // namespace ftp_detail
