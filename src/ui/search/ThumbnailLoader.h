#pragma once

#include "ui/search/ThumbnailCache.h"

#include <QAtomicInteger>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

// Loads thumbnails on worker threads for whoever shows them: a new request
// replaces the one before it (the thumbnails of results no longer shown are
// not made), and each thumbnail arrives on the loader's thread.
class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    ThumbnailLoader(ThumbnailCache& cache, ThumbnailCache::Size size, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    void request(const QStringList& files);

Q_SIGNALS:
    // A null image when the file cannot be read as an image.
    void loaded(const QString& file, const QImage& image);

private:
    ThumbnailCache& m_cache;
    ThumbnailCache::Size m_size;
    QThreadPool m_pool;
    QAtomicInteger<quint64> m_generation = 0;
};
