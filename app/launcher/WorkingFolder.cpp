#include "app/launcher/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace launcher {

QString prepareWorkingFolder(const QString& folder, const QString& dataFolder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("作業フォルダ「%1」を作成できません。")
            .arg(QDir::toNativeSeparators(folder));

    for (const char* name : kSampleFiles) {
        const QString target = QDir(folder).filePath(QString::fromLatin1(name));
        // A symbolic link counts as there even when it leads nowhere: it is
        // the operator's, and copying would replace what it points to.
        const QFileInfo existing(target);
        if (existing.exists() || existing.isSymLink())
            continue;
        // QFile::copy writes a temporary file and renames it, so a copy that
        // fails half-way leaves no truncated file behind to be kept later.
        const QString source = QDir(dataFolder).filePath(QString::fromLatin1(name));
        if (!QFile::copy(source, target))
            return QStringLiteral("「%1」を作業フォルダ「%2」にコピーできません。")
                .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(folder));
        // The copy takes the installed file's permissions; the operator edits it.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
    return {};
}

} // namespace launcher
