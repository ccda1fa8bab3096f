#include "platform/linux/wayland/ShmBuffer.h"

#include <QString>

#include <wayland-client-protocol.h>

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

Result<std::unique_ptr<ShmBuffer>> ShmBuffer::create(wl_shm* shm, quint32 format, int width, int height, int stride)
{
    using R = Result<std::unique_ptr<ShmBuffer>>;
    std::unique_ptr<ShmBuffer> b(new ShmBuffer);
    b->m_format = format;
    b->m_width = width;
    b->m_height = height;
    b->m_stride = stride;
    b->m_size = size_t(stride) * size_t(height);
    b->m_fd = memfd_create("momentra-frame", MFD_CLOEXEC);
    if (b->m_fd < 0 || ftruncate(b->m_fd, off_t(b->m_size)) != 0)
        return R::failure(
            QStringLiteral("no shared memory for a frame: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    b->m_memory = mmap(nullptr, b->m_size, PROT_READ, MAP_SHARED, b->m_fd, 0);
    if (b->m_memory == MAP_FAILED) {
        b->m_memory = nullptr;
        return R::failure(QStringLiteral("cannot map a frame: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, b->m_fd, int32_t(b->m_size));
    b->m_buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
    wl_shm_pool_destroy(pool);
    return R(std::move(b));
}

ShmBuffer::~ShmBuffer()
{
    if (m_buffer)
        wl_buffer_destroy(m_buffer);
    if (m_memory)
        munmap(m_memory, m_size);
    if (m_fd >= 0)
        close(m_fd);
}
