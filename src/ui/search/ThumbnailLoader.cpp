#include "ui/search/ThumbnailLoader.h"

#include <QMetaObject>

ThumbnailLoader::ThumbnailLoader(ThumbnailCache& cache, ThumbnailCache::Size size, QObject* parent)
    : QObject(parent)
    , m_cache(cache)
    , m_size(size)
{
    // Decoding a screenshot takes a core for a moment: two at most, below the window's own priority, so
    // typing stays smooth.
    m_pool.setMaxThreadCount(2);
    m_pool.setThreadPriority(QThread::LowPriority);
}

ThumbnailLoader::~ThumbnailLoader()
{
    ++m_generation;
    m_pool.clear();
    m_pool.waitForDone();
}

void ThumbnailLoader::request(const QStringList& files)
{
    const quint64 generation = ++m_generation;
    m_pool.clear();
    for (const QString& file : files) {
        m_pool.start([this, file, generation] {
            if (m_generation.loadRelaxed() != generation)
                return;
            Result<QImage> made = m_cache.thumbnail(file, m_size);
            const QImage image = made ? std::move(made).value() : QImage();
            QMetaObject::invokeMethod(
                this,
                [this, file, image, generation] {
                    if (m_generation.loadRelaxed() == generation)
                        Q_EMIT loaded(file, image);
                },
                Qt::QueuedConnection);
        });
    }
}
