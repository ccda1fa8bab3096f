#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Builds screenshot libraries on the real file system for cleanup tests.
// Files cannot be backdated (their birth time is the file system's), so
// tests make them "old" by handing the sweep a later now.
class CleanupLibrary
{
public:
    explicit CleanupLibrary(QString root)
        : m_root(std::move(root))
    {
    }

    QString root() const { return m_root; }
    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    QString makeFolder(const QString& relative) const;
    QString makeFile(const QString& relative, const QByteArray& content = "x") const;
    bool makeLink(const QString& target, const QString& relative) const;

    // Every path below the root (folders end in "/"), sorted; links included, not followed.
    QStringList tree() const;

    // The creation date the sweep sees: birth time, or modification time.
    static QDateTime creationOf(const QString& path);

private:
    QString m_root;
};
