#include "support/core/CleanupLibrary.h"

#include "core/cleanup/FileTimes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString CleanupLibrary::makeFolder(const QString& relative) const
{
    const QString full = path(relative);
    QDir().mkpath(full);
    return full;
}

QString CleanupLibrary::makeFile(const QString& relative, const QByteArray& content) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return full;
}

bool CleanupLibrary::makeLink(const QString& target, const QString& relative) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData()) == 0;
}

QStringList CleanupLibrary::tree() const
{
    QStringList paths;
    QDirIterator it(m_root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString relative = QDir(m_root).relativeFilePath(info.filePath());
        if (info.isDir() && !info.isSymLink())
            relative += '/';
        paths << relative;
    }
    paths.sort();
    return paths;
}

QDateTime CleanupLibrary::creationOf(const QString& path)
{
    struct statx info
    {
    };
    if (!FileTimes::read(AT_FDCWD, QFile::encodeName(path).constData(), &info))
        return {};
    return QDateTime::fromMSecsSinceEpoch(FileTimes::creationMs(info).value_or(0));
}
