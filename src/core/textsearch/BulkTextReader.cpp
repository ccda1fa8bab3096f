#include "core/textsearch/BulkTextReader.h"

#include "core/StopFlag.h"
#include "core/library/ImageCodec.h"
#include "core/library/LibraryLayout.h"
#include "core/textsearch/LiveTextSearchSettings.h"
#include "core/textsearch/StoredTextSink.h"
#include "core/textsearch/TextMetadata.h"
#include "core/textsearch/TextPage.h"
#include "core/textsearch/TextRecognizer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Reading threads live as long as the process, so each keeps its recognition
// engine from one run to the next.
QThreadPool& readingPool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
        created->setExpiryTimeout(-1);
        return created;
    }();
    return *pool;
}

// Hands out runs in order and turns finished files into an in-order
// progress count.
class ProgressLedger
{
public:
    ProgressLedger(qsizetype files, qsizetype runs, const BulkTextReader::Progress& progress)
        : m_done(files, false)
        , m_runs(runs)
        , m_progress(progress)
    {
        m_sinceReport.start();
    }

    qsizetype take(const StopFlag& stop)
    {
        std::lock_guard lock(m_mutex);
        if (m_next >= m_runs || stop.isSet())
            return -1;
        return m_next++;
    }

    void finish(qsizetype index)
    {
        std::lock_guard lock(m_mutex);
        m_done[index] = true;
        const qsizetype before = m_handled;
        while (m_handled < m_done.size() && m_done[m_handled])
            ++m_handled;
        if (m_handled == before || !m_progress)
            return;
        if (m_sinceReport.elapsed() >= BulkTextReader::kProgressIntervalMs || m_handled == m_done.size()) {
            m_sinceReport.restart();
            m_progress(int(m_handled));
        }
    }

private:
    std::mutex m_mutex;
    QList<bool> m_done;
    qsizetype m_runs = 0;
    qsizetype m_next = 0;
    qsizetype m_handled = 0;
    QElapsedTimer m_sinceReport;
    const BulkTextReader::Progress& m_progress;
};

}  // namespace

BulkTextReader::Outcome BulkTextReader::readAll(const QStringList& paths, const LiveTextSearchSettings& settings,
                                                const StopFlag& stop, const Progress& progress) const
{
    const QList<QList<qsizetype>> fileRuns = runs(paths);
    ProgressLedger ledger(paths.size(), fileRuns.size(), progress);
    std::mutex outcomeMutex;
    Outcome outcome;
    auto work = [&] {
        ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
        for (qsizetype run; (run = ledger.take(stop)) >= 0;) {
            IncrementalTextReader sequence;
            for (qsizetype index : fileRuns[run]) {
                if (stop.isSet())
                    break;
                const FileOutcome result = readFile(paths[index], settings,
                                                    fileRuns[run].size() > 1 ? &sequence : nullptr);
                {
                    std::lock_guard lock(outcomeMutex);
                    outcome.read += result == FileOutcome::Read;
                    outcome.failed += result == FileOutcome::Failed;
                }
                ledger.finish(index);
            }
        }
        ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 0);
    };

    const int workers = int(
        qMin<qsizetype>(m_tools.workers > 0 ? m_tools.workers : QThread::idealThreadCount(), fileRuns.size()));
    QList<QFuture<void>> running;
    for (int i = 0; i < workers; ++i)
        running.append(QtConcurrent::run(&readingPool(), work));
    for (QFuture<void>& future : running)
        future.waitForFinished();
    return outcome;
}

QList<QList<qsizetype>> BulkTextReader::runs(const QStringList& paths)
{
    QList<QList<qsizetype>> runs;
    QHash<QString, qsizetype> open;  // day folder and display → the run taking its screenshots
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QFileInfo file(paths[i]);
        const std::optional<LibraryLayout::ScreenshotName> name = LibraryLayout::parseScreenshotName(
            file.completeBaseName());
        if (!name) {
            runs.append(QList<qsizetype>{i});
            continue;
        }
        const QString key = file.path() + QLatin1Char('/') + QString::number(name->ordinal);
        const auto found = open.constFind(key);
        if (found != open.cend() && runs[*found].size() < kRunLength) {
            runs[*found].append(i);
        } else {
            open.insert(key, runs.size());
            runs.append(QList<qsizetype>{i});
        }
    }
    return runs;
}

BulkTextReader::FileOutcome BulkTextReader::readFile(const QString& path, const LiveTextSearchSettings& settings,
                                                     IncrementalTextReader* sequence) const
{
    if (!QFileInfo::exists(path))
        return FileOutcome::Skipped;
    const TextSearchSettings current = settings.value();
    const Result<Bitmap> image = m_tools.codec->decodeFile(path);
    if (!image.ok()) {
        store(QString(), path, std::nullopt);  // tried once; not again
        return FileOutcome::Failed;
    }
    const TextReadResult text = sequence ? readInSequence(*sequence, image.value(), current)
                                         : recognizeSynchronously(image.value(), current);
    if (!text.ok())
        return FileOutcome::Failed;
    return store(text.text(), path, current.level) ? FileOutcome::Read : FileOutcome::Failed;
}

bool BulkTextReader::store(const QString& text, const QString& path, std::optional<TextRecognitionLevel> level) const
{
    if (!TextMetadata::write(text, path, level).ok())
        return false;
    if (m_tools.stored)
        m_tools.stored->textStored(path);
    return true;
}

TextReadResult BulkTextReader::recognizeSynchronously(const Bitmap& image, const TextSearchSettings& settings) const
{
    if (!m_tools.recognizer)
        return TextReadResult::failed(QStringLiteral("Text recognition isn't available"));
    return m_tools.recognizer->recognizeWithin(image, settings, TextRecognizer::kTimeoutSeconds);
}

TextReadResult BulkTextReader::readInSequence(IncrementalTextReader& sequence, const Bitmap& image,
                                              const TextSearchSettings& settings) const
{
    const std::shared_ptr<TextPage> page = m_tools.recognizer ? m_tools.recognizer->preparePage(image, settings)
                                                              : nullptr;
    if (!page)
        return recognizeSynchronously(image, settings);
    return TextRecognizer::readWithin(
        [&](QDeadlineTimer deadline) { return sequence.read(QString(), *page, settings, deadline); },
        TextRecognizer::kTimeoutSeconds);
}
