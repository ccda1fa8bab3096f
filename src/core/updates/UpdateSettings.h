#pragma once

#include "core/settings/SettingsFileWatch.h"

#include <QObject>
#include <QString>

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
    void reloadIfChanged();
    void save();

    const QString m_path;
    EventLog& m_log;
    Values m_values;
    SettingsFileWatch m_file{m_path};
};
