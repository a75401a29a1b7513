#pragma once

// Helpers for tests of the windows, run on the offscreen platform: message
// boxes, help pages and trace lines recorded instead of shown, bounded waits
// that keep the event loop running, and a script of steps that drives a chain
// of modal dialogs from inside their own message loops.

#include "platform/Dialog.h"
#include "platform/MessageBox.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace kelvor::test {

using namespace std::chrono_literals;

// Message boxes are recorded and answered instead of shown: by the answer
// function when one is set, else IDOK.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void answerWith(std::function<int(const MessageBoxRequest&)> answer);

    const std::vector<MessageBoxRequest>& shown() const { return m_shown; }
    std::vector<std::string> texts() const;

private:
    std::vector<MessageBoxRequest> m_shown;
    std::function<int(const MessageBoxRequest&)> m_answer;
};

// Documents opened through the desktop, recorded instead of opened.
class ShellRecorder
{
public:
    ShellRecorder();
    ~ShellRecorder();
    const std::vector<std::string>& opened() const { return m_opened; }

private:
    std::vector<std::string> m_opened;
};

// Trace lines, recorded instead of written to standard error.
class TraceRecorder
{
public:
    TraceRecorder();
    ~TraceRecorder();
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

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

    // Fails the test if condition ever holds while the script runs.
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

// The template id of the innermost running modal dialog, 0 when none runs.
UINT activeModalTemplate();

} // namespace kelvor::test
