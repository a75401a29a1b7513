#include "platform/RunWhileWaiting.h"

#include "platform/WorkerThread.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

bool isUserInput(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
    case QEvent::GestureOverride:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        // The close box, from the window manager; the program's own
        // closing of a window is not the user's input.
        return event.spontaneous();
    default:
        return false;
    }
}

// Drops the user's input on its way to any object of the application, the
// windows of the window system included, for as long as it lives; the
// pointer shows the busy cursor meanwhile.
class InputDropper : public QObject
{
public:
    explicit InputDropper(QCoreApplication* application) : m_application(application)
    {
        m_application->installEventFilter(this);
        m_gui = qobject_cast<QGuiApplication*>(application) != nullptr;
        if (m_gui)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }

    ~InputDropper() override
    {
        if (m_gui)
            QGuiApplication::restoreOverrideCursor();
        m_application->removeEventFilter(this);
    }

    InputDropper(const InputDropper&) = delete;
    InputDropper& operator=(const InputDropper&) = delete;

    // Input that came in during the wait but has not been delivered yet
    // would be delivered after it: posted events, and what the window system
    // has sent that is still on its way. A round trip to the window system
    // brings in everything it sent before, and all of it is dropped here.
    void dropWhatIsQueued()
    {
        QCoreApplication::sendPostedEvents();
        if (m_gui)
            QGuiApplication::sync();
        QCoreApplication::processEvents();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return isUserInput(*event); }

private:
    QCoreApplication* m_application;
    bool m_gui = false;
};

// Closes a file descriptor when it goes.
struct Descriptor
{
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    const int fd;
};

// The calls being waited for, innermost last; used on the application's
// thread only.
std::vector<CWinThread*>& callsBeingWaitedFor()
{
    // Never destroyed: an end from outside may ask for it during exit().
    static auto* calls = new std::vector<CWinThread*>;
    return *calls;
}

// What the call's thread runs: the call, then a word to the event loop.
struct WaitedCall
{
    const std::function<void()>& call;
    int endedFd;
    std::exception_ptr failure;

    static UINT run(void* self)
    {
        auto* waited = static_cast<WaitedCall*>(self);
        try {
            waited->call();
        } catch (...) {
            waited->failure = std::current_exception();
        }
        const std::uint64_t one = 1;
        while (::write(waited->endedFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
        return 0;
    }
};

} // namespace

bool IsWaiting()
{
    return !callsBeingWaitedFor().empty();
}

bool StopCallsBeingWaitedFor(std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    bool allEnded = true;
    for (CWinThread* call : callsBeingWaitedFor()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        allEnded = call->StopAndWait(std::max(left, std::chrono::milliseconds(0))) && allEnded;
    }
    return allEnded;
}

void waiting_detail::runOnThreadWhileWaiting(const std::function<void()>& call)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        call();
        return;
    }

    // The call's thread tells its end through an eventfd that the event
    // loop watches: nothing of Qt is touched from that thread.
    const Descriptor ended(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (ended.fd < 0) {
        // A process that may open no more files runs the call right here;
        // the windows stand still until it ends.
        call();
        return;
    }
    // A thread of the framework's own, so that a call into the FTP layer
    // stops at once when an end from outside asks it to.
    WaitedCall waited{call, ended.fd, nullptr};
    std::unique_ptr<CWinThread> thread;
    try {
        thread = AfxBeginThread(&WaitedCall::run, &waited);
    } catch (const std::system_error&) {
        // No thread to be had: the same.
        call();
        return;
    }

    {
        InputDropper dropper(application);
        callsBeingWaitedFor().push_back(thread.get());
        QEventLoop loop;
        QSocketNotifier notifier(ended.fd, QSocketNotifier::Read);
        bool callEnded = false;
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
            std::uint64_t count = 0;
            if (::read(ended.fd, &count, sizeof count) == sizeof count) {
                callEnded = true;
                loop.quit();
            }
        });
        // A loop ended from outside (the application quitting) is not
        // entered again: the call is then waited for without one.
        while (!callEnded && loop.exec() >= 0) {
        }
        while (!thread->WaitForEnd(std::chrono::seconds(1))) {
        }
        // Still waiting while what came in meanwhile is dropped.
        dropper.dropWhatIsQueued();
        callsBeingWaitedFor().pop_back();
    }
    thread.reset(); // joins it
    if (waited.failure)
        std::rethrow_exception(waited.failure);
}
