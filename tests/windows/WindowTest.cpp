#include "tests/windows/WindowTest.h"

#include "platform/DefaultOwner.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvor::test {

namespace {

UINT iconFlags(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Critical:
        return MB_ICONSTOP;
    case QMessageBox::Question:
        return MB_ICONQUESTION;
    case QMessageBox::Warning:
        return MB_ICONEXCLAMATION;
    case QMessageBox::Information:
        return MB_ICONINFORMATION;
    default:
        return 0;
    }
}

// The top-level widget whose window is the transient parent of window's.
QWidget* transientParentOf(const QWidget* window)
{
    const QWindow* parent = window != nullptr && window->windowHandle() != nullptr
                                ? window->windowHandle()->transientParent()
                                : nullptr;
    if (parent == nullptr)
        return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == parent)
            return widget;
    }
    return nullptr;
}

} // namespace

MessageBoxRecorder::MessageBoxRecorder()
{
    qApp->installEventFilter(this);
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    qApp->removeEventFilter(this);
}

void MessageBoxRecorder::answerWith(std::function<int(const ShownMessageBox&)> answer)
{
    m_answer = std::move(answer);
}

std::vector<std::string> MessageBoxRecorder::texts() const
{
    std::vector<std::string> texts;
    for (const ShownMessageBox& box : m_shown)
        texts.push_back(box.text);
    return texts;
}

bool MessageBoxRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched))
            record(box);
    }
    return QObject::eventFilter(watched, event);
}

void MessageBoxRecorder::record(QMessageBox* box)
{
    ShownMessageBox shown;
    shown.owner = transientParentOf(box);
    shown.ownerTemplate = templateIdOf(shown.owner);
    shown.text = box->text().toStdString();
    shown.caption = box->windowTitle().toStdString();
    const QList<QAbstractButton*> buttons = box->buttons();
    shown.type = iconFlags(box->icon()) | (buttons.size() > 1 ? MB_OKCANCEL : MB_OK);
    m_shown.push_back(shown);

    const int answer = m_answer ? m_answer(shown) : IDOK;
    const QMessageBox::ButtonRole role =
        answer == IDCANCEL ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
    QAbstractButton* button = nullptr;
    for (QAbstractButton* candidate : buttons) {
        if (box->buttonRole(candidate) == role)
            button = candidate;
    }
    if (button == nullptr) {
        ADD_FAILURE() << "the box \"" << shown.text << "\" has no button for answer " << answer;
        return;
    }
    // Clicked once the box's own loop runs, as a user would.
    QTimer::singleShot(0, button, [button] { button->click(); });
}

ShellRecorder::ShellRecorder()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

ShellRecorder::~ShellRecorder()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void ShellRecorder::open(const QUrl& url)
{
    m_opened.push_back(url.toLocalFile().toStdString());
}

TraceRecorder::TraceRecorder() : m_file(std::tmpfile())
{
    std::fflush(stderr);
    m_savedStderr = ::dup(STDERR_FILENO);
    if (m_file == nullptr || m_savedStderr < 0 || ::dup2(::fileno(m_file), STDERR_FILENO) < 0)
        ADD_FAILURE() << "standard error cannot be caught";
}

TraceRecorder::~TraceRecorder()
{
    const std::string text = captured();
    if (m_savedStderr >= 0) {
        ::dup2(m_savedStderr, STDERR_FILENO);
        ::close(m_savedStderr);
    }
    if (m_file != nullptr)
        std::fclose(m_file);
    // Nothing caught is lost: a sanitizer's report, say.
    std::fputs(text.c_str(), stderr);
}

std::string TraceRecorder::captured() const
{
    std::fflush(stderr);
    std::string text;
    if (m_file == nullptr)
        return text;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(::fileno(m_file), buffer, sizeof buffer, offset);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return text;
}

std::vector<std::string> TraceRecorder::lines() const
{
    std::vector<std::string> lines;
    const std::string text = captured();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

QWidget* ownerWindowOf(const CWnd& wnd)
{
    return transientParentOf(wnd.widget());
}

UINT templateIdOf(const QWidget* widget)
{
    if (widget == nullptr)
        return 0;
    const QString name = widget->window()->objectName();
    if (!name.startsWith(QStringLiteral("dialog")))
        return 0;
    return name.mid(6).toUInt();
}

QLineEdit* addressField(QWidget* address, int index)
{
    // The fields are the control's line edits, made left to right.
    const QList<QLineEdit*> fields =
        address != nullptr ? address->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)
                           : QList<QLineEdit*>();
    return index >= 0 && index < fields.size() ? fields[index] : nullptr;
}

bool timerRunning(const CWnd& wnd, UINT_PTR id)
{
    if (wnd.widget() == nullptr)
        return false;
    const auto* timer = wnd.widget()->findChild<QTimer*>(QStringLiteral("timer %1").arg(id),
                                                         Qt::FindDirectChildrenOnly);
    return timer != nullptr && timer->isActive();
}

bool isTopMost(const CWnd& wnd)
{
    return wnd.widget() != nullptr &&
           wnd.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

namespace {

void describe(QAccessibleInterface* node, int depth, std::string& out)
{
    if (node == nullptr || depth > 16)
        return;
    const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
    const char* role = roles.valueToKey(node->role());
    out += std::string(static_cast<std::size_t>(depth) * 2, ' ');
    out += role != nullptr ? role : "?";
    out += " '" + node->text(QAccessible::Name).toStdString() + "'";
    if (const QString value = node->text(QAccessible::Value); !value.isEmpty())
        out += " value '" + value.toStdString() + "'";
    if (const QString text = node->text(QAccessible::Description); !text.isEmpty())
        out += " description '" + text.toStdString() + "'";
    if (node->state().invisible)
        out += " (hidden)";
    out += '\n';
    for (int i = 0; i < node->childCount(); ++i)
        describe(node->child(i), depth + 1, out);
}

} // namespace

std::string accessibleTree(QWidget* window)
{
    std::string out;
    describe(QAccessible::queryAccessibleInterface(window), 0, out);
    return out;
}

void tick(CWnd& wnd, UINT_PTR id)
{
    wnd.SendMessage({MessageKind::Timer, 0, id, 0});
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

namespace {

// Where a key goes: the focus widget of the active window. Right after a
// window has gone (a message box, say) the activation is on its way to the
// next one; a user's next key comes after it, and so does the test's.
QWidget* keyTarget()
{
    waitFor([] { return QApplication::activeWindow() != nullptr; }, 5s);
    QWidget* target = QApplication::focusWidget();
    return target != nullptr ? target : QApplication::activeWindow();
}

} // namespace

void typeText(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = keyTarget();
        ASSERT_NE(target, nullptr) << "no window to type into";
        QTest::keyClicks(target, QString(c));
    }
}

void pressKey(int key)
{
    QWidget* target = keyTarget();
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

CDialog* activeModalDialog()
{
    return static_cast<CDialog*>(InnermostModalWindow());
}

UINT activeModalTemplate()
{
    CDialog* dialog = activeModalDialog();
    return dialog != nullptr ? templateIdOf(dialog->widget()) : 0;
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
            CDialog* dialog = activeModalDialog();
            return dialog != nullptr && activeModalTemplate() == templateId && isActive(*dialog);
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
            m_failed = true;
        }
    }
    if (m_failed) {
        // Unwind: end the innermost modal dialog; the chain's handlers close
        // the rest behind it.
        if (CDialog* dialog = activeModalDialog())
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
