#pragma once

#include "core/Bitmap.h"
#include "core/textsearch/TextReadResult.h"
#include "core/textsearch/TextRecognitionLevel.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <functional>
#include <memory>

class TextPage;

// On-device text recognition of one image. Implementations are safe to call
// from several threads at once (each thread gets an engine of its own) and
// stop working when the deadline passes, returning TimedOut.
class TextRecognizer
{
public:
    static constexpr int kTimeoutSeconds = 15;

    virtual ~TextRecognizer() = default;

    // The lines of text found, joined with line feeds, in reading order.
    virtual TextReadResult recognize(const Bitmap& image, const TextSearchSettings& settings,
                                     QDeadlineTimer deadline) = 0;
    // The language identifiers the level can read, in a stable order.
    virtual QStringList supportedLanguages(TextRecognitionLevel level) = 0;

    // Reads within `timeoutSeconds`, cutting the text to 8000 characters. A
    // read that ends after its deadline counts as timed out: its text is dropped.
    TextReadResult recognizeWithin(const Bitmap& image, const TextSearchSettings& settings, double timeoutSeconds);

    // A read taken apart: prepare() keeps only what the read needs from the
    // image (a screenshot waiting its turn then holds less than its pixels),
    // the returned read may run later, on any thread, more than once. The
    // default keeps the image and calls recognize().
    using PreparedRead = std::function<TextReadResult(QDeadlineTimer deadline)>;
    virtual PreparedRead prepare(const Bitmap& image, const TextSearchSettings& settings);
    // A prepared read within `timeoutSeconds`, as recognizeWithin().
    static TextReadResult readWithin(const PreparedRead& read, double timeoutSeconds);

    // The image made ready to be read line by line (see IncrementalTextReader),
    // holding what prepare() holds; null when the recogniser reads only whole images.
    virtual std::shared_ptr<TextPage> preparePage(const Bitmap& image, const TextSearchSettings& settings);
};

// Runs `operation` with a deadline `timeoutSeconds` from now and reports
// TimedOut when the deadline passed before it ended, whatever it returned.
TextReadResult withTimeout(double timeoutSeconds, const std::function<TextReadResult(QDeadlineTimer)>& operation);
