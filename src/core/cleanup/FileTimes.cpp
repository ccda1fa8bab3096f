#include "core/cleanup/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {
qint64 toMs(const struct statx_timestamp& t)
{
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
}  // namespace

std::optional<qint64> FileTimes::birthMs(const struct statx& info)
{
    if ((info.stx_mask & STATX_BTIME) == 0)
        return std::nullopt;
    return toMs(info.stx_btime);
}

std::optional<qint64> FileTimes::modificationMs(const struct statx& info)
{
    if ((info.stx_mask & STATX_MTIME) == 0)
        return std::nullopt;
    return toMs(info.stx_mtime);
}

std::optional<qint64> FileTimes::creationMs(const struct statx& info)
{
    if (const auto birth = birthMs(info))
        return birth;
    return modificationMs(info);
}

bool FileTimes::read(int dirFd, const char* name, struct statx* info)
{
    return ::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_BTIME | STATX_MTIME,
                   info)
           == 0;
}
