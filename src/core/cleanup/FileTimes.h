#pragma once

#include <QString>

#include <optional>

struct statx;

// File dates in milliseconds since the epoch, read with statx(2) without
// following a final symbolic link.
class FileTimes
{
public:
    // The creation date of a screenshot: the birth time where the file system
    // records one (ext4, btrfs, xfs, tmpfs on current kernels), otherwise the
    // modification time. Screenshots are written once and renamed into place,
    // so their modification time is their creation time on file systems
    // without a birth time (NFS, older FAT drivers).
    static std::optional<qint64> creationMs(const struct statx& info);

    // The birth time only; nothing when the file system has none. Day folders
    // use this: their modification time moves with every screenshot written
    // into them, so it says nothing about how old their oldest file is.
    static std::optional<qint64> birthMs(const struct statx& info);

    static std::optional<qint64> modificationMs(const struct statx& info);

    // statx(dirFd, name, AT_SYMLINK_NOFOLLOW) asking for the type, the birth
    // time and the modification time. False when the call failed.
    static bool read(int dirFd, const char* name, struct statx* info);
};
