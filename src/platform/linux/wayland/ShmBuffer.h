#pragma once

#include "core/Result.h"

#include <memory>

struct wl_buffer;
struct wl_shm;

// A wl_buffer over an anonymous shared-memory file (memfd) of one frame's
// layout, mapped for reading. Owns the buffer, the mapping and the file.
class ShmBuffer
{
public:
    static Result<std::unique_ptr<ShmBuffer>> create(wl_shm* shm, quint32 format, int width, int height, int stride);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    bool fits(quint32 format, int width, int height, int stride) const
    {
        return format == m_format && width == m_width && height == m_height && stride == m_stride;
    }
    wl_buffer* buffer() const { return m_buffer; }
    const uchar* data() const { return static_cast<const uchar*>(m_memory); }

private:
    ShmBuffer() = default;

    wl_buffer* m_buffer = nullptr;
    void* m_memory = nullptr;
    size_t m_size = 0;
    int m_fd = -1;
    quint32 m_format = 0;
    int m_width = 0, m_height = 0, m_stride = 0;
};
