#include "core/textsearch/LiveTextReader.h"

#include "core/log/EventLog.h"
#include "core/textsearch/IncrementalTextReader.h"
#include "core/textsearch/StoredTextSink.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextRecognizer.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void lowerThreadPriority()
{
    // Background work: a nice value of 10 for this thread only.
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
}

}  // namespace

LiveTextReader::Recognize LiveTextReader::recognizeWith(std::shared_ptr<TextRecognizer> recognizer)
{
    return [recognizer](const CapturedImage& shot, const TextSearchSettings& settings,
                        const std::shared_ptr<IncrementalTextReader>& sequences) -> Read {
        if (!recognizer)
            return [] { return TextReadResult::failed(QStringLiteral("Text recognition isn't available")); };
        if (std::shared_ptr<TextPage> page = shot.display.isEmpty() ? nullptr
                                                                    : recognizer->preparePage(shot.image, settings)) {
            return [sequences, page, display = shot.display, settings, epoch = sequences->epoch()] {
                return TextRecognizer::readWithin(
                    [&](QDeadlineTimer deadline) { return sequences->read(display, *page, settings, deadline, epoch); },
                    TextRecognizer::kTimeoutSeconds);
            };
        }
        return [recognizer, read = recognizer->prepare(shot.image, settings)] {
            return TextRecognizer::readWithin(read, TextRecognizer::kTimeoutSeconds);
        };
    };
}

LiveTextReader::LiveTextReader(Recognize recognize, EventLog& log)
    : m_recognize(std::move(recognize))
    , m_sequences(std::make_shared<IncrementalTextReader>())
    , m_log(log)
{
}

LiveTextReader::~LiveTextReader()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_waiting.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void LiveTextReader::enqueue(const QList<CapturedImage>& images, const TextSearchSettings& settings)
{
    if (images.isEmpty())
        return;
    Recognize recognize;
    {
        std::lock_guard lock(m_mutex);
        recognize = m_recognize;
    }
    QList<Entry> entries;
    for (const CapturedImage& shot : images)
        entries.append({recognize(shot, settings, m_sequences), shot.filePath, settings, false});
    {
        std::lock_guard lock(m_mutex);
        for (Entry& entry : entries)
            m_waiting.push_back(std::move(entry));
        while (m_waiting.size() > size_t(kMaximumWaiting))
            m_waiting.pop_front();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

void LiveTextReader::restartSequences()
{
    m_sequences->restart();
}

void LiveTextReader::setRecognize(Recognize recognize)
{
    std::lock_guard lock(m_mutex);
    m_recognize = std::move(recognize);
}

void LiveTextReader::run()
{
    lowerThreadPriority();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_waiting.empty(); });
        if (m_quit)
            return;
        Entry entry = std::move(m_waiting.front());
        m_waiting.pop_front();
        lock.unlock();
        readOne(std::move(entry));
        lock.lock();
    }
}

void LiveTextReader::readOne(Entry entry)
{
    const TextReadResult result = entry.read();
    if (result.ok()) {
        // A failed write is dropped.
        if (TextMetadata::write(result.text(), entry.path, entry.settings.level).ok() && m_stored)
            m_stored->textStored(entry.path);
        return;
    }
    if (result.isTimedOut())
        handleTimeout(std::move(entry));
    // Any other failure ends this image's reading silently.
}

void LiveTextReader::handleTimeout(Entry entry)
{
    bool logFirst = false, logSecond = false;
    {
        std::lock_guard lock(m_mutex);
        if (!entry.isRetry) {
            entry.isRetry = true;
            m_waiting.push_front(std::move(entry));
            logFirst = !m_hasLoggedTimeout;
            m_hasLoggedTimeout = true;
        } else {
            logSecond = !m_hasLoggedRetryTimeout;
            m_hasLoggedRetryTimeout = true;
        }
    }
    if (logFirst)
        m_log.logError(QStringLiteral("Reading a screenshot's text took over %1 seconds; trying once more")
                           .arg(TextRecognizer::kTimeoutSeconds),
                       EventLog::kEngine);
    if (logSecond)
        m_log.logError(QStringLiteral("Reading a screenshot's text timed out twice; left unread"), EventLog::kEngine);
}
