#pragma once

// Helpers for tests of the windows, run on the offscreen platform: message
// boxes answered and read off the real boxes, help pages caught where the
// desktop would open them, trace lines caught on standard error, bounded
// waits that keep the event loop running, and a script of steps that drives
// a chain of modal dialogs from inside their own message loops.

#include "platform/Dialog.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMessageBox;
class QUrl;
class QWidget;

namespace kelvor::test {

using namespace std::chrono_literals;

// What a message box showed, read off the real box as it came up.
struct ShownMessageBox
{
    QPointer<QWidget> owner; // the owner's window while it exists; null for none
    UINT ownerTemplate = 0;  // the template id of the owning dialog; 0 for none
    std::string text;
    std::string caption;
    UINT type = 0; // its buttons and icon as MB_ flags
};

// Every message box shown while the recorder lives is recorded as it comes
// up and answered by clicking its button: the one the answer function names
// (IDOK or IDCANCEL) when one is set, else OK. The answer function runs
// while the box is up, so it sees the program as the box finds it.
class MessageBoxRecorder : public QObject
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder() override;

    void answerWith(std::function<int(const ShownMessageBox&)> answer);

    const std::vector<ShownMessageBox>& shown() const { return m_shown; }
    std::vector<std::string> texts() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void record(QMessageBox* box);

    std::vector<ShownMessageBox> m_shown;
    std::function<int(const ShownMessageBox&)> m_answer;
};

// Documents the program asks the desktop to open, caught instead of opened:
// the absolute paths, in order.
class ShellRecorder : public QObject
{
    Q_OBJECT

public:
    ShellRecorder();
    ~ShellRecorder() override;
    const std::vector<std::string>& opened() const { return m_opened; }

public slots:
    void open(const QUrl& url);

private:
    std::vector<std::string> m_opened;
};

// What is written to standard error while the recorder lives (where the
// framework's trace goes), caught in a file; it goes on to standard error
// too when the recorder ends.
class TraceRecorder
{
public:
    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // The lines so far, each with its line end.
    std::vector<std::string> lines() const;

private:
    std::string captured() const;

    int m_savedStderr = -1;
    std::FILE* m_file = nullptr;
};

// The top-level widget the window system knows as wnd's owner (its window's
// transient parent), null for none.
QWidget* ownerWindowOf(const CWnd& wnd);

// The template id of the dialog whose window widget is, 0 when it is none.
UINT templateIdOf(const QWidget* widget);

// Field index (0 to 3) of an address control, the left one first.
QLineEdit* addressField(QWidget* address, int index);

// Whether timer id of wnd runs.
bool timerRunning(const CWnd& wnd, UINT_PTR id);

// Whether wnd's window stays above windows that are not topmost.
bool isTopMost(const CWnd& wnd);

// What a screen reader sees of window: its accessible tree, an object a
// line, indented by depth, as "role 'name'" with the value and the
// description where there are some.
std::string accessibleTree(QWidget* window);

// Delivers one tick of timer id to wnd, as the timer would.
void tick(CWnd& wnd, UINT_PTR id = 1);

// Processes events until condition holds or timeout passes; returns whether
// it holds.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

// The widget of a dialog's control.
QWidget* controlOf(CDialog& dialog, int id);

// True once the dialog's window is the active window (keys go to it).
bool isActive(CWnd& wnd);

// Clicks a dialog's button with the mouse.
void clickButton(CDialog& dialog, int id);

// Types text into the focus widget of the active window, key by key.
void typeText(const QString& text);

// Presses one key in the active window.
void pressKey(int key);

// The visible top-level window with this caption, or null.
QWidget* visibleWindowTitled(const QString& caption);

// Steps run one after the other, each once its condition holds, from a
// timer in whatever event loop is running, so they can work a modal dialog
// from inside its own loop. A step that does not become ready in time fails
// the test, and the script then ends the running modal dialogs one by one so
// that the test returns instead of hanging.
class Script
{
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    Script& when(std::string description, std::function<bool()> ready, std::function<void()> action,
                 std::chrono::milliseconds timeout = 20s);

    // Convenience: once the modal dialog with this template runs and its
    // window is active.
    Script& whenActive(std::string description, UINT templateId, std::function<void()> action,
                       std::chrono::milliseconds timeout = 20s);

    // Fails the test if condition ever holds while the script runs, and ends
    // the windows as a step that is not ready in time does.
    Script& never(std::string description, std::function<bool()> condition);

    bool finished() const { return m_steps.empty(); }
    bool failed() const { return m_failed; }

private:
    struct Step
    {
        std::string description;
        std::function<bool()> ready;
        std::function<void()> action;
        std::chrono::milliseconds timeout;
        std::chrono::steady_clock::time_point deadline{};
        bool started = false;
    };

    void tick();

    std::deque<Step> m_steps;
    std::vector<std::pair<std::string, std::function<bool()>>> m_watchers;
    bool m_failed = false;
    class QTimer* m_timer;
};

// The innermost running modal dialog, null when none runs.
CDialog* activeModalDialog();

// The template id of the innermost running modal dialog, 0 when none runs.
UINT activeModalTemplate();

} // namespace kelvor::test
