#pragma once

#include <QByteArray>

#include <cstddef>

// Writes every byte to `fd`, retrying on EINTR and after short writes.
// Returns 0, or the errno of the write that failed (EIO when a write made no
// progress without saying why).
int writeAll(int fd, const char* data, std::size_t size);
inline int writeAll(int fd, const QByteArray& bytes)
{
    return writeAll(fd, bytes.constData(), std::size_t(bytes.size()));
}
