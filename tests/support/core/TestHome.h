#pragma once

#include "core/log/EventLog.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A throw-away home for one test: HOME and the XDG folders point inside a
// temporary folder, so nothing a test does reaches the real home folder,
// with an event log of its own in the home's state folder.
class TestHome
{
public:
    TestHome()
        : m_oldHome(qgetenv("HOME"))
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("HOME", QFile::encodeName(path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path() + "/cache"));
        for (const QString& folder : {configHome(), stateHome(), dataHome()})
            QDir().mkpath(folder);
    }
    ~TestHome()
    {
        m_log.reset();
        qputenv("HOME", m_oldHome);
    }

    QString path() const { return m_dir.path(); }
    QString configHome() const { return path() + "/config"; }
    QString stateHome() const { return path() + "/state"; }
    QString dataHome() const { return path() + "/data"; }
    QString picturesFolder() const { return path() + "/Pictures/Momentra"; }
    QString settingsFile() const { return configHome() + "/Momentra/defaults.json"; }

    EventLog& log()
    {
        if (!m_log)
            m_log = std::make_unique<EventLog>(stateHome() + "/Momentra");
        return *m_log;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    std::unique_ptr<EventLog> m_log;
};
