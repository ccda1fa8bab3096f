#include "support/core/ScriptedRecognizer.h"

TextReadResult ScriptedRecognizer::recognize(const Bitmap& image, const TextSearchSettings& settings, QDeadlineTimer)
{
    {
        QMutexLocker lock(&m_mutex);
        m_seen.append(image.width);
    }
    return answer ? answer(image, settings) : TextReadResult::read(QString::number(image.width));
}

QList<int> ScriptedRecognizer::seenWidths() const
{
    QMutexLocker lock(&m_mutex);
    return m_seen;
}
