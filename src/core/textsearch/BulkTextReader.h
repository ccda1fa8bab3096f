#pragma once

#include "core/textsearch/IncrementalTextReader.h"
#include "core/textsearch/TextReadResult.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QStringList>

#include <functional>

class ImageCodec;
class LiveTextSearchSettings;
class StopFlag;
class StoredTextSink;
class TextRecognizer;
struct Bitmap;

// Reads the text of many files and stores it on each (a bulk run). Files are
// handed out in list order to one worker per processor core, each with its
// own recognition engine; progress counts the files handled from the start
// of the list without a gap, so it rises in list order.
//
// The screenshots of one display on one day are a sequence, like the live
// reader's: up to kRunLength of them in list (time) order go to one worker
// as a run, which reads them through an IncrementalTextReader of its own
// (the first in full, the others by what changed). Other files are runs of one.
class BulkTextReader
{
public:
    static constexpr int kProgressIntervalMs = 250;
    static constexpr int kRunLength = IncrementalTextReader::kFullReadEvery;

    struct Tools
    {
        ImageCodec* codec = nullptr;           // thread-safe decoding
        TextRecognizer* recognizer = nullptr;  // thread-safe recognition
        int workers = 0;                       // 0: one per processor core
        StoredTextSink* stored = nullptr;      // told of each file whose text was stored
    };
    struct Outcome
    {
        int read = 0;
        int failed = 0;
        bool operator==(const Outcome&) const = default;
    };
    using Progress = std::function<void(int handled)>;

    BulkTextReader(Tools tools)
        : m_tools(tools)
    {
    }

    // Blocking: run it off the main thread. Stops before the next file once
    // `stop` is set. Progress is reported at most every 250 ms and for the
    // last file. A vanished file counts neither as read nor as failed; a file
    // that is not an image is marked "none" and counts as failed.
    Outcome readAll(const QStringList& paths, const LiveTextSearchSettings& settings, const StopFlag& stop,
                    const Progress& progress) const;

    // One image with the 15-second deadline, on the calling thread.
    TextReadResult recognizeSynchronously(const Bitmap& image, const TextSearchSettings& settings) const;

    // The runs of `paths`, as indexes in list order, ordered by their first file.
    static QList<QList<qsizetype>> runs(const QStringList& paths);

private:
    enum class FileOutcome { Skipped, Read, Failed };
    // `sequence`: the run's reader, null for a run of one.
    FileOutcome readFile(const QString& path, const LiveTextSearchSettings& settings,
                         IncrementalTextReader* sequence) const;
    TextReadResult readInSequence(IncrementalTextReader& sequence, const Bitmap& image,
                                  const TextSearchSettings& settings) const;
    bool store(const QString& text, const QString& path, std::optional<TextRecognitionLevel> level) const;

    Tools m_tools;
};
