#include "core/textsearch/TextSearchController.h"

#include "core/StopFlag.h"
#include "core/WhenFinished.h"
#include "core/log/EventLog.h"
#include "core/textsearch/LiveTextSearchSettings.h"
#include "core/textsearch/TextSearchScan.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

QString normalizedFolder(const QString& folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

QString displayName(const QString& folder)
{
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
}

}  // namespace

TextSearchController::TextSearchController(BulkTextReader::Tools tools, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_tools(tools)
    , m_log(log)
    , m_stopFlag(std::make_shared<StopFlag>())
    , m_liveSettings(std::make_shared<LiveTextSearchSettings>())
{
}

TextSearchController::~TextSearchController()
{
    m_stopFlag->set();
    m_runTask.waitForFinished();
}

template <typename T>
void TextSearchController::assign(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    Q_EMIT changed();
}

void TextSearchController::setCounts(const std::optional<Counts>& counts)
{
    assign(m_counts, counts);
}

void TextSearchController::refreshCounts(const QString& folder, TextRecognitionLevel level)
{
    const quint64 generation = ++m_countGeneration;
    const QString normalized = normalizedFolder(folder);
    if (m_countedFolder != normalized)
        setCounts(std::nullopt);
    m_countedFolder = normalized;
    const auto scan = QtConcurrent::run(
        [normalized, level] { return TextSearchScan::scanCaptureFolder(normalized, level); });
    // Always through the event loop, so that a count asked for later in the same turn wins.
    whenFinished(scan, this, [this, generation](const TextSearchScan::CaptureFolderResult& scan) {
        if (generation != m_countGeneration)
            return;  // a newer count was asked for
        const int toRead = int(scan.toRead.size());
        setCounts(Counts{scan.total, scan.total - toRead + scan.readWithFast, toRead, scan.readWithFast});
    });
}

void TextSearchController::readCaptureFolder(const QString& folder, const TextSearchSettings& settings)
{
    startRun(folder, true, {}, settings);
}

void TextSearchController::readFolder(const QString& folder, const QStringList& images,
                                      const TextSearchSettings& settings)
{
    startRun(folder, false, images, settings);
}

void TextSearchController::startRun(const QString& folder, bool isCaptureFolderRun, const QStringList& images,
                                    const TextSearchSettings& settings)
{
    if (m_isRunning)
        return;
    m_isRunning = true;
    m_isStopping = false;
    m_isCaptureFolderRun = isCaptureFolderRun;
    m_stopFlag = std::make_shared<StopFlag>();
    m_liveSettings = std::make_shared<LiveTextSearchSettings>(settings);
    m_completed = 0;
    m_total = 0;
    m_statusText.reset();
    Q_EMIT changed();

    const QString runFolder = normalizedFolder(folder);
    const std::shared_ptr<StopFlag> stopFlag = m_stopFlag;
    const std::shared_ptr<LiveTextSearchSettings> liveSettings = m_liveSettings;
    const BulkTextReader reader(m_tools);
    QPointer<TextSearchController> self(this);

    // The list, the opening log line and the reading all happen off the main thread.
    m_runTask = QtConcurrent::run([=, &log = m_log] {
        const QStringList list = isCaptureFolderRun
                                     ? TextSearchScan::scanCaptureFolder(runFolder, settings.level).toRead
                                     : images;
        QMetaObject::invokeMethod(self, [self, size = int(list.size())] {
            if (self)
                self->assign(self->m_total, size);
        });
        log.log(
            QStringLiteral("OCR: reading %1 %2 (%3)")
                .arg(list.size())
                .arg(isCaptureFolderRun ? QStringLiteral("screenshots") : QStringLiteral("images in another folder"),
                     TextRecognitionLevels::rawValue(settings.level)),
            EventLog::kEngine);
        const BulkTextReader::Outcome outcome = reader.readAll(list, *liveSettings, *stopFlag, [self](int handled) {
            QMetaObject::invokeMethod(self, [self, handled] {
                if (self)
                    self->reportProgress(handled);
            });
        });
        const bool stopped = stopFlag->isSet();
        const TextRecognitionLevel level = liveSettings->value().level;
        QMetaObject::invokeMethod(self, [=] {
            if (self)
                self->finish(outcome, stopped, runFolder, isCaptureFolderRun, level);
        });
    });
}

void TextSearchController::reportProgress(int handled)
{
    if (m_isRunning)
        assign(m_completed, qMax(m_completed, handled));
}

void TextSearchController::stop()
{
    if (!m_isRunning || m_isStopping)
        return;
    m_stopFlag->set();
    assign(m_isStopping, true);
}

void TextSearchController::finish(BulkTextReader::Outcome outcome, bool stopped, const QString& folder,
                                  bool isCaptureFolderRun, TextRecognitionLevel level)
{
    m_isRunning = false;
    m_isStopping = false;
    m_statusText = statusSentence(outcome.read, outcome.failed, stopped, folder, isCaptureFolderRun);
    Q_EMIT changed();
    m_log.log(QStringLiteral("OCR: read %1, failed %2%3")
                  .arg(outcome.read)
                  .arg(outcome.failed)
                  .arg(stopped ? QStringLiteral(", stopped") : QString()),
              EventLog::kEngine);

    if (m_countedFolder == folder || (isCaptureFolderRun && !m_countedFolder)) {
        if (m_counts && m_counts->readWithFast == 0) {
            const Counts old = *m_counts;
            setCounts(Counts{old.total, qMin(old.searchable + outcome.read, old.total),
                             qMax(old.toRead - outcome.read, 0), 0});
        }
        refreshCounts(folder, level);
    }
    Q_EMIT runFinished();
}

QString TextSearchController::statusSentence(int read, int failed, bool stopped, const QString& folder,
                                             bool isCaptureFolderRun)
{
    const QString noun = isCaptureFolderRun ? QStringLiteral("screenshot") : QStringLiteral("image");
    const QLocale locale;
    const QString countPhrase = read == 1 ? QStringLiteral("1 ") + noun
                                          : locale.toString(read) + QLatin1Char(' ') + noun + QLatin1Char('s');
    const QString place = isCaptureFolderRun ? QString()
                                             : QStringLiteral(" in \u201c%1\u201d").arg(displayName(folder));
    QString sentence = (stopped ? QStringLiteral("Stopped after ") : QStringLiteral("Recognized text in "))
                       + countPhrase + place + QLatin1Char('.');
    if (failed > 0)
        sentence += QStringLiteral(" Couldn't recognize ") + locale.toString(failed) + QLatin1Char('.');
    return sentence;
}

QString TextSearchController::estimatedDuration(qint64 count, TextRecognitionLevel level)
{
    const double secondsPerImage = level == TextRecognitionLevel::Fast ? 0.07 : 0.45;
    const qint64 minutes = qint64(std::round(double(count) * secondsPerImage / 60.0));  // halves away from zero
    if (minutes < 1)
        return QStringLiteral("under a minute");
    if (minutes == 1)
        return QStringLiteral("about a minute");
    if (minutes < 90)
        return QStringLiteral("about %1 minutes").arg(minutes);
    return QStringLiteral("about %1 hours").arg(qint64(std::round(double(minutes) / 60.0)));
}
