#pragma once

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// A throw-away home for one test: HOME and the XDG folders point inside a
// temporary folder, so nothing a test does reaches the real home folder.
// Create it before anything reads those variables (EventLog::shared(),
// DefaultsStore::standard() and the like cache their paths).
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
    ~TestHome() { qputenv("HOME", m_oldHome); }

    QString path() const { return m_dir.path(); }
    QString configHome() const { return path() + "/config"; }
    QString stateHome() const { return path() + "/state"; }
    QString dataHome() const { return path() + "/data"; }
    QString picturesFolder() const { return path() + "/Pictures/Momentra"; }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};
