#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// Watches a settings file that other processes may rewrite: `touched` fires
// whenever the file or its folder changes, and isNew() tells whether the file
// on disk differs from the one last seen (modification time in nanoseconds,
// size and inode, so an atomic replace within the same second is caught).
// Atomic saves replace the file, which drops it from the watch list, so the
// folder is watched too and the file added again whenever it exists; before
// the folder exists, its parent is watched for it to appear.
class SettingsFileWatch : public QObject
{
    Q_OBJECT

public:
    explicit SettingsFileWatch(QString path, QObject* parent = nullptr);

    // True when the file differs from the last one seen (or marked), and
    // remembers it as seen.
    bool isNew();
    // The file as it is now counts as seen (after writing it ourselves).
    void markSeen();

Q_SIGNALS:
    void touched();

private:
    struct Stamp
    {
        qint64 modified = -1;  // nanoseconds; -1 when the file is absent
        qint64 size = -1;
        quint64 inode = 0;
        bool operator==(const Stamp&) const = default;
        bool seen = false;
    };

    Stamp current() const;
    void watch();

    const QString m_path;
    QFileSystemWatcher m_watcher;
    Stamp m_seen;
};
