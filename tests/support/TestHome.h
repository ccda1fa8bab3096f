#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away home for one test: HOME and the XDG folders point inside a
// temporary folder, so nothing a test does reaches the real home folder.
// Create it before anything reads those variables (EventLog::shared(),
// DefaultsStore::standard() and the like cache their paths).
class TestHome
{
public:
    TestHome();
    ~TestHome();

    QString path() const { return m_dir.path(); }
    QString configHome() const { return path() + QStringLiteral("/config"); }
    QString stateHome() const { return path() + QStringLiteral("/state"); }
    QString dataHome() const { return path() + QStringLiteral("/data"); }
    QString picturesFolder() const { return path() + QStringLiteral("/Pictures/Momentra"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};
