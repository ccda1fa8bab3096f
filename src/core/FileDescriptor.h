#pragma once

#include <unistd.h>

#include <utility>

// An open file descriptor, closed when its owner goes. Moving hands the
// descriptor on; the moved-from owner holds none.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(other.release())
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Gives up ownership without closing.
    int release() { return std::exchange(m_fd, -1); }

    // Closes the descriptor held (if any) and takes `fd`; returns what close() returned, or 0.
    int reset(int fd = -1)
    {
        const int old = std::exchange(m_fd, fd);
        return old >= 0 ? ::close(old) : 0;
    }

private:
    int m_fd;
};
