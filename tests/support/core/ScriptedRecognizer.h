#pragma once

#include "core/textsearch/TextRecognizer.h"

#include <QMutex>

#include <functional>

// A text recogniser whose answers a test decides: `answer`, by default the
// image's width as text. Records the widths it was asked about, in order.
class ScriptedRecognizer : public TextRecognizer
{
public:
    std::function<TextReadResult(const Bitmap&, const TextSearchSettings&)> answer;

    TextReadResult recognize(const Bitmap& image, const TextSearchSettings& settings, QDeadlineTimer) override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_seen.append(image.width);
        }
        return answer ? answer(image, settings) : TextReadResult::read(QString::number(image.width));
    }
    QStringList supportedLanguages(TextRecognitionLevel) override { return {QStringLiteral("eng")}; }
    QList<int> seenWidths() const
    {
        QMutexLocker lock(&m_mutex);
        return m_seen;
    }

private:
    mutable QMutex m_mutex;
    QList<int> m_seen;
};
