#include "platform/AppName.h"

#include <QCoreApplication>
#include <cerrno>

std::string AfxGetAppName()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationName().toStdString();
    return program_invocation_short_name;
}
