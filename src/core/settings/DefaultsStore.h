#pragma once

#include "core/settings/SettingsFileWatch.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The per-user defaults database: one JSON object in one file
// ($XDG_CONFIG_HOME/Momentra/defaults.json), keeping JSON types.
// Saves are atomic (temporary file, then rename; mode 0600). A change made
// by another process is picked up: through a file watcher while an event
// loop runs, and by a freshness check before every read and write. A file
// that is not a JSON object is moved aside, logged, and treated as empty.
class EventLog;

class DefaultsStore : public QObject
{
    Q_OBJECT

public:
    DefaultsStore(QString path, EventLog& log, QObject* parent = nullptr);

    static QString standardPath();  // $XDG_CONFIG_HOME/Momentra/defaults.json

    QString path() const { return m_path; }

    QJsonValue value(const QString& key);  // Undefined when absent
    bool contains(const QString& key);
    QJsonObject all();
    // Writes (or, with an Undefined value, removes) a key. Writing the value
    // already stored changes nothing and signals nobody. False when the file
    // could not be saved; the value stays in memory either way.
    bool setValue(const QString& key, const QJsonValue& value);
    bool remove(const QString& key);

    QString lastError() const { return m_lastError; }

    // What was wrong with the settings (a damaged file set aside, a value
    // that can't be used), each told once: logged as an error and kept here,
    // so that a command can say it on standard error.
    void reportProblem(const QString& text);
    QStringList problems() const { return m_problems; }

Q_SIGNALS:
    void valueChanged(const QString& key);

private:
    void reloadIfChanged();
    void reload();
    bool save();
    void moveCorruptFileAside(const QString& reason);

    const QString m_path;
    EventLog& m_log;
    QJsonObject m_values;
    QString m_lastError;
    QStringList m_problems;
    SettingsFileWatch m_file{m_path};
};
