#include "support/core/RecordingVideoWriter.h"

#include <QFile>

QList<RecordingVideoWriter::Video> RecordingVideoWriter::Record::videos() const
{
    QMutexLocker lock(&mutex);
    return list;
}

int RecordingVideoWriter::Record::frames() const
{
    int count = 0;
    for (const Video& video : videos())
        count += int(video.targets.size());
    return count;
}

VideoWriterFactory RecordingVideoWriter::factory(const std::shared_ptr<Record>& record)
{
    return [record] { return std::make_unique<RecordingVideoWriter>(record); };
}

bool RecordingVideoWriter::create(const QString& path, int width, int height)
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

bool RecordingVideoWriter::startWriting(int fps)
{
    QMutexLocker lock(&m_record->mutex);
    m_record->list[m_index].fps = fps;
    return true;
}

bool RecordingVideoWriter::append(const Bitmap&, const QRect& target)
{
    int frame = 0;
    {
        QMutexLocker lock(&m_record->mutex);
        m_record->list[m_index].targets.append(target);
        frame = int(m_record->list[m_index].targets.size());
    }
    if (m_record->onAppend)
        m_record->onAppend(m_index, frame);
    return true;
}

bool RecordingVideoWriter::finishWriting()
{
    QMutexLocker lock(&m_record->mutex);
    m_record->list[m_index].finished = true;
    return true;
}
