#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system mounted for one test and unmounted when the object
// goes: tmpfs or a fresh ext4 image on a loop device. Needs root; when
// mounting is not possible, error() says why.
class ScratchMount
{
public:
    enum class Kind { Tmpfs, Ext4Loop };

    explicit ScratchMount(Kind kind);
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString error() const { return m_error; }
    QString path() const { return m_mountPoint.path(); }
    bool remountReadOnly();

private:
    bool run(const QString& program, const QStringList& arguments);

    QTemporaryDir m_work;
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
    QString m_error;
};
