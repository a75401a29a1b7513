#include "platform/EndFromOutside.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

void (*g_endFromOutside)(int exitCode) = nullptr;

constexpr int kExitCodeWhenExitCalled = 1;
constexpr std::array kEndSignals{SIGTERM, SIGINT, SIGHUP};

// The signal handler's only way to the event loop: a pipe (written from the
// handler, which may do nothing else safely).
int g_signalPipe[2] = {-1, -1};

extern "C" void onEndSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &number, 1);
    errno = savedErrno;
}

// Destroyed when exit() is called on the application's thread, before any
// static object and any atexit handler, as every object of the thread's
// own storage is.
struct ExitWatch
{
    ~ExitWatch()
    {
        if (g_endFromOutside != nullptr)
            g_endFromOutside(kExitCodeWhenExitCalled);
    }
};

// Takes the session's request to quit the application.
class QuitWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance() &&
            g_endFromOutside != nullptr) {
            g_endFromOutside(0);
        }
        return false;
    }
};

void watchOnce(QCoreApplication* application)
{
    thread_local ExitWatch exitWatch;
    (void)exitWatch;

    application->installEventFilter(new QuitWatch(application));

    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default: the process ends at once
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, application);
    QObject::connect(notifier, &QSocketNotifier::activated, application, [] {
        unsigned char number = 0;
        if (::read(g_signalPipe[0], &number, 1) == 1 && g_endFromOutside != nullptr)
            g_endFromOutside(128 + number);
    });
    struct sigaction action = {};
    action.sa_handler = &onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kEndSignals) {
        // A signal ignored from the start (nohup) stays ignored.
        struct sigaction before = {};
        if (::sigaction(signalNumber, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signalNumber, &action, nullptr);
    }
}

} // namespace

void WatchEndsFromOutside(void (*end)(int exitCode))
{
    QCoreApplication* application = QCoreApplication::instance();
    static QCoreApplication* watched = nullptr;
    if (end != nullptr && application != nullptr && watched != application) {
        watched = application;
        watchOnce(application);
    }
    g_endFromOutside = end;
}
