#pragma once

#include "core/capture/Trash.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <mutex>

#include <sys/types.h>

// The desktop Trash as file managers share it (the freedesktop.org Trash
// specification 1.0). A file on the same device as the home Trash
// ($XDG_DATA_HOME/Trash) goes there; a file on another mount goes to
// $topdir/.Trash/$uid when the administrator set up a sticky, non-link
// .Trash there, otherwise to $topdir/.Trash-$uid. The file keeps a unique
// name in files/ beside a matching info/NAME.trashinfo (original Path,
// DeletionDate), so file managers list and restore it. The info file is
// created first with O_EXCL, which reserves the name without races; then the
// file is renamed into place. Nothing is ever copied across devices.
class FreedesktopTrash : public Trash
{
public:
    FreedesktopTrash();                              // home Trash from the environment
    explicit FreedesktopTrash(QString homeTrashPath);

    static QString defaultHomeTrashPath();  // $XDG_DATA_HOME/Trash, ~/.local/share/Trash
    QString homeTrashPath() const { return QString::fromLocal8Bit(m_homeTrash); }

    Result<QString> moveToTrash(const QString& path) override;

private:
    struct Location
    {
        QByteArray trashDir;  // holds files/ and info/
        QByteArray topDir;    // empty for the home Trash: Path is then absolute
    };

    Result<Location> locationFor(dev_t device, const QByteArray& resolvedParent);
    Result<Location> volumeLocation(const QByteArray& topDir);
    QByteArray resolvedParent(const QByteArray& parent);
    Result<QString> moveInto(const Location& location, const QByteArray& path,
                             const QByteArray& originalPath, const QByteArray& name);

    const QByteArray m_homeTrash;
    std::mutex m_mutex;
    std::map<dev_t, Location> m_locations;
    QByteArray m_lastParent;
    QByteArray m_lastResolvedParent;
};
