#pragma once

#include "core/cleanup/Trash.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
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
//
// Sweeps trash thousands of files from a handful of folders, so the Trash
// folders and the last source folder are kept open and every step is a
// single-component *at() call.
class FreedesktopTrash : public Trash
{
public:
    FreedesktopTrash();  // home Trash from the environment
    explicit FreedesktopTrash(QString homeTrashPath);
    ~FreedesktopTrash() override;

    static QString defaultHomeTrashPath();  // $XDG_DATA_HOME/Trash, ~/.local/share/Trash
    QString homeTrashPath() const { return QString::fromLocal8Bit(m_homeTrash); }

    Result<QString> moveToTrash(const QByteArray& path) override;

private:
    struct Location;
    struct Folder;

    Result<std::shared_ptr<Location>> locationFor(dev_t device, const QByteArray& resolvedFolder);
    Result<std::shared_ptr<Location>> volumeLocation(const QByteArray& topDir);
    std::shared_ptr<Location> openLocation(const QByteArray& trashDir, const QByteArray& topDir);
    Result<std::shared_ptr<Folder>> folderFor(const QByteArray& path);
    Result<QString> moveInto(const Location& location, const Folder& folder, const QByteArray& name);
    QByteArray deletionDate();

    const QByteArray m_homeTrash;
    std::mutex m_mutex;
    std::map<dev_t, std::shared_ptr<Location>> m_locations;
    std::shared_ptr<Folder> m_lastFolder;
    long long m_dateSecond = -1;
    QByteArray m_dateText;
};
