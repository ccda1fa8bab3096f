#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Builds screenshot libraries on the real file system for cleanup tests.
// Files cannot be backdated (their birth time is the file system's), so
// tests make them "old" by handing the sweep a later now.
class CleanupLibrary
{
public:
    explicit CleanupLibrary(QString root) : m_root(std::move(root)) {}

    QString root() const { return m_root; }
    QString path(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    QString makeFolder(const QString& relative) const;
    QString makeFile(const QString& relative, const QByteArray& content = "x") const;
    bool makeLink(const QString& target, const QString& relative) const;

    // Every path below the root (folders end in "/"), sorted; links included, not followed.
    QStringList tree() const;

    // The creation date the sweep sees: birth time, or modification time.
    static QDateTime creationOf(const QString& path);
    static std::optional<QDateTime> birthOf(const QString& path);

private:
    QString m_root;
};

// Makes a folder refuse changes to its entries for the lifetime of this
// object: immutable (FS_IMMUTABLE_FL) when running as root, which ignores
// permissions, otherwise mode 0555. Restored on destruction.
class LockedFolder
{
public:
    explicit LockedFolder(QString path);
    ~LockedFolder();
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;
    bool isLocked() const { return m_locked; }
    QString error() const { return m_error; }

private:
    void setImmutable(bool on);
    QString m_path;
    bool m_asRoot = false;
    bool m_locked = false;
    QString m_error;
};
