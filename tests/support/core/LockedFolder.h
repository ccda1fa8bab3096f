#pragma once

#include <QString>

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
