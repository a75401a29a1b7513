#include "platform/AppIcon.h"

#include <QApplication>
#include <QIcon>

void SetAppIcon(std::span<const char* const> images)
{
    QIcon icon;
    for (const char* image : images)
        icon.addFile(QString::fromUtf8(image));
    QApplication::setWindowIcon(icon);
}
