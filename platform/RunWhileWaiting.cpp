#include "platform/RunWhileWaiting.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

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

} // namespace

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
    std::exception_ptr failure;
    std::jthread worker;
    try {
        worker = std::jthread([&] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
            const std::uint64_t one = 1;
            while (::write(ended.fd, &one, sizeof one) < 0 && errno == EINTR) {
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: the same.
        call();
        return;
    }

    {
        InputDropper dropper(application);
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
        worker.join();
        dropper.dropWhatIsQueued();
    }
    if (failure)
        std::rethrow_exception(failure);
}
