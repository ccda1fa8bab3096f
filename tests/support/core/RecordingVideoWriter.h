#pragma once

#include "core/timelapse/VideoWriter.h"

#include <QFile>
#include <QList>
#include <QMutex>
#include <QSize>

#include <functional>
#include <memory>

// Video writers for core tests: each creates its file as a real writer does
// (refusing an existing one), and the shared Record keeps what every writer
// was given. onAppend runs on the exporter's thread after each frame.
class RecordingVideoWriter : public VideoWriter
{
public:
    struct Video
    {
        QString path;
        QSize size;
        int fps = 0;
        QList<QRect> targets;  // one per appended frame
        bool finished = false;
    };
    struct Record
    {
        QList<Video> videos() const
        {
            QMutexLocker lock(&mutex);
            return list;
        }
        int frames() const
        {
            int count = 0;
            for (const Video& video : videos())
                count += int(video.targets.size());
            return count;
        }
        std::function<void(int video, int frame)> onAppend;
        mutable QMutex mutex;
        QList<Video> list;
    };

    static VideoWriterFactory factory(const std::shared_ptr<Record>& record)
    {
        return [record] { return std::make_unique<RecordingVideoWriter>(record); };
    }

    explicit RecordingVideoWriter(std::shared_ptr<Record> record)
        : m_record(std::move(record))
    {
    }
    bool create(const QString& path, int width, int height) override
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_error = file.errorString();
            return false;
        }
        QMutexLocker lock(&m_record->mutex);
        m_index = int(m_record->list.size());
        m_record->list.append({path, QSize(width, height)});
        return true;
    }
    bool startWriting(int fps) override
    {
        return change([&](Video& video) { video.fps = fps; });
    }
    bool append(const Bitmap&, const QRect& target) override
    {
        int frame = 0;
        change([&](Video& video) { frame = int((video.targets << target).size()); });
        if (m_record->onAppend)
            m_record->onAppend(m_index, frame);
        return true;
    }
    bool hasFailed() const override { return false; }
    bool finishWriting() override
    {
        return change([](Video& video) { video.finished = true; });
    }
    void cancelWriting() override {}
    QString errorString() const override { return m_error; }

private:
    bool change(const std::function<void(Video&)>& edit)
    {
        QMutexLocker lock(&m_record->mutex);
        edit(m_record->list[m_index]);
        return true;
    }

    std::shared_ptr<Record> m_record;
    int m_index = -1;
    QString m_error;
};
