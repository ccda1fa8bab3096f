#pragma once

#include "core/timelapse/VideoWriter.h"

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
        QList<Video> videos() const;
        int frames() const;
        std::function<void(int video, int frame)> onAppend;

        mutable QMutex mutex;
        QList<Video> list;
    };

    static VideoWriterFactory factory(const std::shared_ptr<Record>& record);

    explicit RecordingVideoWriter(std::shared_ptr<Record> record) : m_record(std::move(record)) {}
    bool create(const QString& path, int width, int height) override;
    bool startWriting(int fps) override;
    bool append(const Bitmap& image, const QRect& target) override;
    bool hasFailed() const override { return false; }
    bool finishWriting() override;
    void cancelWriting() override {}
    QString errorString() const override { return m_error; }

private:
    std::shared_ptr<Record> m_record;
    int m_index = -1;
    QString m_error;
};
