#pragma once

#include "core/Bitmap.h"
#include "core/textsearch/TextRecognizer.h"

#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

// Test helpers for text search: images of known text and a recogniser whose
// answers a test decides.
namespace TextSearchFixtures {

// Lines of text drawn in a common desktop font, dark on light or light on dark.
QImage renderText(const QStringList& lines, bool dark = false, QSize size = QSize(900, 300), int pixelSize = 18);
Bitmap toBitmap(const QImage& image);
// Writes a small PNG (or other format by suffix) with the given text.
bool writeImage(const QString& path, const QStringList& lines = {QStringLiteral("hello")}, bool dark = false);
// A file that is not an image, whatever its name.
bool writeNonImage(const QString& path);

}  // namespace TextSearchFixtures

// Answers every read with `answer` (by default: the image's width as text)
// and records the widths it was asked about, in order.
class ScriptedRecognizer : public TextRecognizer
{
public:
    std::function<TextReadResult(const Bitmap&, const TextSearchSettings&)> answer;

    TextReadResult recognize(const Bitmap& image, const TextSearchSettings& settings, QDeadlineTimer) override;
    QStringList supportedLanguages(TextRecognitionLevel) override { return {QStringLiteral("eng")}; }
    QList<int> seenWidths() const;

private:
    mutable QMutex m_mutex;
    QList<int> m_seen;
};
