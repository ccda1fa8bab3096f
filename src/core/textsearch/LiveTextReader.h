#pragma once

#include "core/textsearch/LiveTextSink.h"
#include "core/textsearch/TextReadResult.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Reads the text of the screenshots the capture step has just written, one
// at a time on a low-priority thread of its own, and stores it on each file.
// A waiting screenshot holds only what its read needs (the recogniser's
// prepared read), not the captured pixels.
// Consecutive screenshots of a display are read as a sequence (see
// IncrementalTextReader) when the recogniser can read pages line by line.
// At most four screenshots wait: when more arrive the oldest are dropped
// (a later bulk run reads them). A read that times out is tried once more,
// before anything else; a second time-out leaves the file unread.
class EventLog;
class StoredTextSink;
class IncrementalTextReader;
class TextRecognizer;

class LiveTextReader : public LiveTextSink
{
public:
    static constexpr int kMaximumWaiting = 4;

    // Prepares the read of one image; the read runs later on the reader's thread.
    using Read = std::function<TextReadResult()>;
    using Recognize = std::function<Read(const CapturedImage& shot, const TextSearchSettings& settings,
                                         const std::shared_ptr<IncrementalTextReader>& sequences)>;

    LiveTextReader(Recognize recognize, EventLog& log);
    ~LiveTextReader() override;  // drops what waits and waits for the read in progress
    LiveTextReader(const LiveTextReader&) = delete;
    LiveTextReader& operator=(const LiveTextReader&) = delete;

    // Prepares each read on the calling thread (a grey copy: a few milliseconds a screen).
    void enqueue(const QList<CapturedImage>& images, const TextSearchSettings& settings) override;

    void restartSequences() override;
    void setRecognize(Recognize recognize);
    // Told of each file whose text was stored; set before the first enqueue.
    void setStoredTextSink(StoredTextSink* sink) { m_stored = sink; }

    // Reads with `recognizer` and its 15-second time-out.
    static Recognize recognizeWith(std::shared_ptr<TextRecognizer> recognizer);

private:
    struct Entry
    {
        Read read;
        QString path;
        TextSearchSettings settings;
        bool isRetry = false;
    };

    void run();
    void readOne(Entry entry);
    void handleTimeout(Entry entry);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Entry> m_waiting;
    Recognize m_recognize;
    std::shared_ptr<IncrementalTextReader> m_sequences;
    EventLog& m_log;
    StoredTextSink* m_stored = nullptr;
    bool m_quit = false;
    bool m_hasLoggedTimeout = false;
    bool m_hasLoggedRetryTimeout = false;
    std::thread m_thread;
};
