#include "tests/windows/WindowTest.h"

#include "platform/Shell.h"
#include "platform/WinApp.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace kelvor::test {

MessageBoxRecorder::MessageBoxRecorder()
{
    SetMessageBoxHook([this](const MessageBoxRequest& request) {
        m_shown.push_back(request);
        return m_answer ? m_answer(request) : IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxHook(nullptr);
}

void MessageBoxRecorder::answerWith(std::function<int(const MessageBoxRequest&)> answer)
{
    m_answer = std::move(answer);
}

std::vector<std::string> MessageBoxRecorder::texts() const
{
    std::vector<std::string> texts;
    for (const MessageBoxRequest& request : m_shown)
        texts.push_back(request.text);
    return texts;
}

ShellRecorder::ShellRecorder()
{
    SetShellOpenHook([this](const std::string& path) { m_opened.push_back(path); });
}

ShellRecorder::~ShellRecorder()
{
    SetShellOpenHook(nullptr);
}

TraceRecorder::TraceRecorder()
{
    SetTraceHook([this](std::string_view line) { m_lines.emplace_back(line); });
}

TraceRecorder::~TraceRecorder()
{
    SetTraceHook(nullptr);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

QWidget* controlOf(CDialog& dialog, int id)
{
    CWnd* control = dialog.GetDlgItem(id);
    return control != nullptr ? control->widget() : nullptr;
}

bool isActive(CWnd& wnd)
{
    return wnd.widget() != nullptr && QApplication::activeWindow() == wnd.widget();
}

void clickButton(CDialog& dialog, int id)
{
    QWidget* button = controlOf(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeText(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr)
            target = QApplication::activeWindow();
        ASSERT_NE(target, nullptr) << "no window to type into";
        QTest::keyClicks(target, QString(c));
    }
}

void pressKey(int key)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = QApplication::activeWindow();
    ASSERT_NE(target, nullptr) << "no window for the key";
    QTest::keyClick(target, static_cast<Qt::Key>(key));
}

QWidget* visibleWindowTitled(const QString& caption)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == caption)
            return widget;
    }
    return nullptr;
}

UINT activeModalTemplate()
{
    CDialog* dialog = CDialog::ActiveModalDialog();
    return dialog != nullptr && dialog->widget() != nullptr ? dialog->Template().id : 0;
}

Script::Script() : m_timer(new QTimer)
{
    m_timer->setInterval(5);
    QObject::connect(m_timer, &QTimer::timeout, [this] { tick(); });
    m_timer->start();
}

Script::~Script()
{
    delete m_timer;
    if (!m_steps.empty() && !m_failed)
        ADD_FAILURE() << "script ended before step: " << m_steps.front().description;
}

Script& Script::when(std::string description, std::function<bool()> ready,
                     std::function<void()> action, std::chrono::milliseconds timeout)
{
    m_steps.push_back({std::move(description), std::move(ready), std::move(action), timeout});
    return *this;
}

Script& Script::whenActive(std::string description, UINT templateId, std::function<void()> action,
                           std::chrono::milliseconds timeout)
{
    return when(
        std::move(description),
        [templateId] {
            CDialog* dialog = CDialog::ActiveModalDialog();
            return dialog != nullptr && dialog->Template().id == templateId && isActive(*dialog);
        },
        std::move(action), timeout);
}

Script& Script::never(std::string description, std::function<bool()> condition)
{
    m_watchers.emplace_back(std::move(description), std::move(condition));
    return *this;
}

void Script::tick()
{
    for (auto& [description, condition] : m_watchers) {
        if (condition && condition()) {
            ADD_FAILURE() << "happened: " << description;
            condition = nullptr;
        }
    }
    if (m_failed) {
        // Unwind: end the innermost modal dialog; the chain's handlers close
        // the rest behind it.
        if (CDialog* dialog = CDialog::ActiveModalDialog())
            dialog->EndDialog(IDCANCEL);
        return;
    }
    if (m_steps.empty())
        return;
    Step& step = m_steps.front();
    if (!step.started) {
        step.started = true;
        step.deadline = std::chrono::steady_clock::now() + step.timeout;
    }
    if (step.ready()) {
        // Run the action from the event loop, not from this tick: an action
        // that starts a modal dialog runs a loop of its own, and the ticks
        // must go on inside it.
        QTimer::singleShot(0, m_timer, std::move(step.action));
        m_steps.pop_front();
        return;
    }
    if (std::chrono::steady_clock::now() > step.deadline) {
        ADD_FAILURE() << "step not ready in time: " << step.description;
        m_failed = true;
    }
}

} // namespace kelvor::test
