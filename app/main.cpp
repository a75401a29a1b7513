#include "app/ProgramEnd.h"
#include "app/RT_UT.h"
#include "res/Version.h"

#include <QApplication>
#include <curl/curl.h>

int main(int argc, char** argv)
{
    // Before any thread exists.
    curl_global_init(CURL_GLOBAL_DEFAULT);

    // The name the framework's captions show, and the folder of the installed
    // data (/usr/share/kelvor), whatever the executable is called.
    QCoreApplication::setApplicationName(QStringLiteral("kelvor"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersionInfo.productVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.kelvor.ProgramUpload"));

    return EndProgram(theApp.Run(argc, argv, &EndProgramFromOutside));
}
