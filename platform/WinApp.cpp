#include "platform/WinApp.h"

#include "platform/Dialog.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QStyleFactory>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

CWinApp* g_pApp = nullptr;

TraceHook& traceHook()
{
    static TraceHook hook;
    return hook;
}

} // namespace

CWinApp::CWinApp()
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    int exitCode = 0;
    if (InitInstance())
        exitCode = QApplication::exec();
    const int exitInstanceCode = ExitInstance();
    if (exitCode == 0)
        exitCode = exitInstanceCode;
    CWnd::DestroyAllWindows();
    m_pMainWnd = nullptr;
    return exitCode;
}

std::string AfxGetAppName()
{
    if (QCoreApplication::instance() != nullptr)
        return toStdString(QCoreApplication::applicationName());
    return program_invocation_short_name;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(const std::string& text, UINT nType)
{
    CWnd* owner = CDialog::ActiveModalDialog();
    if (owner == nullptr)
        owner = AfxGetMainWnd();
    if (owner != nullptr && owner->widget() == nullptr)
        owner = nullptr;
    // Like the framework: a box without an icon of its own gets the one that
    // suits its buttons.
    if ((nType & 0xF0) == 0 && ((nType & 0x0F) == MB_OK || (nType & 0x0F) == MB_OKCANCEL))
        nType |= MB_ICONEXCLAMATION;
    return MessageBox(owner, text, AfxGetAppName(), nType);
}

void Enable3dControlsStatic()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void AfxTrace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> line(static_cast<std::size_t>(std::max(length, 0)) + 1);
    std::vsnprintf(line.data(), line.size(), format, args);
    va_end(args);

    if (traceHook())
        traceHook()(std::string_view(line.data(), line.size() - 1));
    else
        std::fputs(line.data(), stderr);
}

void SetTraceHook(TraceHook hook)
{
    traceHook() = std::move(hook);
}
