#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <optional>

class EventLog;

// The update component's two switches, kept in a file of their own beside
// the settings file ($XDG_CONFIG_HOME/Momentra/updates.json), not in the
// preferences: "Automatically check for updates" (on unless turned off) and
// "Automatically download updates" (off unless turned on). Saves are
// atomic, mode 0600. A change made by another process (a settings window
// of its own) is picked up through a file watcher while an event loop
// runs, and by a freshness check before every read and write.
class UpdateSettings : public QObject
{
    Q_OBJECT

public:
    UpdateSettings(QString path, EventLog& log, QObject* parent = nullptr);

    static QString standardPath();
    QString path() const { return m_path; }

    bool automaticallyChecks();
    void setAutomaticallyChecks(bool on);
    bool automaticallyDownloads();
    void setAutomaticallyDownloads(bool on);

Q_SIGNALS:
    void changed();

private:
    struct Values
    {
        bool checks = true;
        bool downloads = false;
    };
    struct FileStamp
    {
        qint64 modified = -1;  // nanoseconds; -1 when the file is absent
        qint64 size = -1;
        quint64 inode = 0;
        bool operator==(const FileStamp&) const = default;
    };

    FileStamp currentStamp() const;
    void reloadIfChanged();
    void save();
    void watch();

    const QString m_path;
    EventLog& m_log;
    Values m_values;
    std::optional<FileStamp> m_stamp;  // the file as it was last read or written
    QFileSystemWatcher m_watcher;
};
