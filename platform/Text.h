#pragma once

#include <QString>
#include <string>

// Text conversions between the program's strings (UTF-8) and the widgets'.

inline QString toQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toStdString(const QString& text)
{
    return text.toUtf8().toStdString();
}
