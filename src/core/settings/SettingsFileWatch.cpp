#include "core/settings/SettingsFileWatch.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

SettingsFileWatch::SettingsFileWatch(QString path, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
{
    const auto follow = [this] {
        watch();
        Q_EMIT touched();
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, follow);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, follow);
    watch();
}

SettingsFileWatch::Stamp SettingsFileWatch::current() const
{
    Stamp stamp;
    stamp.seen = true;
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return stamp;
    stamp.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.size = qint64(info.st_size);
    stamp.inode = quint64(info.st_ino);
    return stamp;
}

bool SettingsFileWatch::isNew()
{
    const Stamp now = current();
    if (now == m_seen)
        return false;
    m_seen = now;
    return true;
}

void SettingsFileWatch::markSeen()
{
    m_seen = current();
    watch();
}

void SettingsFileWatch::watch()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    const QString parent = QFileInfo(folder).absolutePath();
    const bool hasFolder = QFileInfo::exists(folder);
    const QString watched = hasFolder ? folder : parent;
    if (hasFolder && m_watcher.directories().contains(parent))
        m_watcher.removePath(parent);
    if (QFileInfo::exists(watched) && !m_watcher.directories().contains(watched))
        m_watcher.addPath(watched);
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}
