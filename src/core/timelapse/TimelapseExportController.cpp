#include "core/timelapse/TimelapseExportController.h"

#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QPointer>
#include <QtConcurrent>

#include <algorithm>

namespace {

QString videoCountText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 video") : QLocale().toString(count) + QStringLiteral(" videos");
}

}  // namespace

TimelapseExportController::TimelapseExportController(std::shared_ptr<const TimelapseExporter> exporter, EventLog& log,
                                                     QObject* parent)
    : QObject(parent)
    , m_exporter(std::move(exporter))
    , m_log(log)
{
}

TimelapseExportController::~TimelapseExportController()
{
    // A running export is stopped and awaited, so that its partial video is removed.
    if (m_cancelFlag)
        m_cancelFlag->set();
    m_work.waitForFinished();
}

template <typename T>
bool TimelapseExportController::assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

void TimelapseExportController::publishIf(bool changedAny)
{
    if (changedAny)
        Q_EMIT changed();
}

void TimelapseExportController::exportDays(const QList<QUrl>& dayFolders, int fps)
{
    if (m_isRunning || dayFolders.isEmpty())
        return;
    QStringList names;
    for (const QUrl& folder : dayFolders)
        names.append(folder.fileName());
    names.sort();

    assign(m_days, names);
    m_isRunning = true;
    m_isCancelling = false;
    m_cancelFlag = std::make_shared<StopFlag>();
    m_completedFrames = 0;
    m_totalFrames = 0;
    m_statusText = QStringLiteral("Preparing…");
    m_errorMessage.reset();
    m_outputURLs.clear();
    Q_EMIT changed();

    const QString firstFolderName = dayFolders.first().fileName();
    if (!m_exporter) {
        fail(QStringLiteral("Video export is not available."));
        return;
    }
    auto work = [exporter = m_exporter, flag = m_cancelFlag, dayFolders, fps,
                 receiver = QPointer<TimelapseExportController>(this)] {
        auto isCancelled = [flag] { return flag->isSet(); };
        auto progress = [receiver](const TimelapseProgress& report) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [receiver, report] {
                    if (receiver)
                        receiver->apply(report);
                },
                Qt::QueuedConnection);
        };
        return exporter->exportDays(dayFolders, fps, isCancelled, progress);
    };
    m_work = QtConcurrent::run(work);
    // The outcome is always handled from the event loop, even when the work
    // ended before this line: exportDays() never finishes synchronously.
    m_exportTask = m_work.then(this, [this, firstFolderName](const TimelapseExporter::Outcome& outcome) {
        QMetaObject::invokeMethod(
            this, [this, outcome, firstFolderName] { handleOutcome(outcome, firstFolderName); }, Qt::QueuedConnection);
    });
}

void TimelapseExportController::handleOutcome(const TimelapseExporter::Outcome& outcome, const QString& firstFolderName)
{
    if (const auto* result = std::get_if<TimelapseExportResult>(&outcome)) {
        finish(result->outputURLs, result->wasCancelled, result->skippedDays);
        return;
    }
    const auto& error = std::get<TimelapseError>(outcome);
    if (error.kind() == TimelapseError::Kind::cancelled) {
        finish({}, true, {});
    } else if (error.kind() == TimelapseError::Kind::noFrames && error.days() == 1
               && firstFolderName == LibraryLayout::dayFolderName(QDateTime::currentDateTime())) {
        fail(QStringLiteral("No screenshots from today yet."));
    } else {
        fail(error.description());
    }
}

void TimelapseExportController::cancel()
{
    if (!m_isRunning || m_isCancelling)
        return;
    m_cancelFlag->set();
    m_isCancelling = true;
    m_statusText = QStringLiteral("Cancelling…");
    Q_EMIT changed();
}

void TimelapseExportController::apply(const TimelapseProgress& progress)
{
    if (!m_isRunning || m_isCancelling)
        return;
    bool changedAny = assign(m_completedFrames, progress.completedFrames);
    changedAny |= assign(m_totalFrames, progress.totalFrames);
    QString text = QString::number(progress.completedFrames) + QStringLiteral(" of ")
                   + QString::number(progress.totalFrames) + QStringLiteral(" frames");
    if (progress.totalDisplays >= 2) {
        text = QStringLiteral("Display ") + QString::number(progress.currentDisplayIndex) + QStringLiteral(" of ")
               + QString::number(progress.totalDisplays) + QStringLiteral(", ") + text;
    }
    changedAny |= assign(m_statusText, std::optional<QString>(text));
    publishIf(changedAny);
}

void TimelapseExportController::finish(const QList<QUrl>& outputURLs, bool wasCancelled, const QStringList& skippedDays)
{
    if (!m_isRunning)
        return;
    m_isRunning = false;
    m_isCancelling = false;
    m_exportTask = QFuture<void>();
    m_outputURLs = outputURLs;

    const QString count = videoCountText(outputURLs.size());
    if (!wasCancelled) {
        QString note;
        if (skippedDays.size() == 1)
            note = QLatin1Char(' ') + dayLabel(skippedDays.first()) + QStringLiteral(" had no screenshots left.");
        else if (skippedDays.size() > 1)
            note = QLatin1Char(' ') + QLocale().toString(skippedDays.size())
                   + QStringLiteral(" days had no screenshots left.");
        m_statusText = QStringLiteral("Exported ") + count + QLatin1Char('.') + note;
        m_log.log(QStringLiteral("Timelapse export finished: %1.").arg(count), EventLog::kApp);
    } else if (outputURLs.isEmpty()) {
        m_statusText = QStringLiteral("Cancelled.");
    } else {
        m_statusText = QStringLiteral("Cancelled. ") + count + QStringLiteral(" finished.");
    }
    Q_EMIT changed();
    Q_EMIT ended();
    if (!wasCancelled && !outputURLs.isEmpty() && m_revealer)
        m_revealer({outputURLs.first()});
}

void TimelapseExportController::fail(const QString& message)
{
    if (!m_isRunning)
        return;
    m_isRunning = false;
    m_isCancelling = false;
    m_exportTask = QFuture<void>();
    m_statusText.reset();
    m_errorMessage = message;
    m_log.logError(QStringLiteral("Timelapse export failed: ") + message, EventLog::kApp);
    Q_EMIT changed();
    Q_EMIT ended();
}

QList<TimelapseDay> TimelapseExportController::loadDays(const QString& screenshotsFolder)
{
    QList<TimelapseDay> days;
    const QFileInfoList entries =
        QDir(screenshotsFolder).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!LibraryLayout::isDayFolderName(entry.fileName()) || !entry.isDir())
            continue;
        const int count = LibraryLayout::countOwnScreenshots(entry.filePath());
        if (count > 0)
            days.append(TimelapseDay{entry.fileName(), QUrl::fromLocalFile(entry.filePath()), count});
    }
    std::sort(days.begin(), days.end(), [](const TimelapseDay& a, const TimelapseDay& b) { return a.id > b.id; });
    return days;
}

QString TimelapseExportController::dayLabel(const QString& dayName, const QDateTime& now)
{
    const auto start = LibraryLayout::dayDate(dayName);
    if (!start)
        return dayName;
    const QDate day = start->date();
    const QDate today = now.toLocalTime().date();
    if (day == today)
        return QStringLiteral("Today");
    if (day == today.addDays(-1))
        return QStringLiteral("Yesterday");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(day, day.year() == today.year() ? QStringLiteral("dddd, MMMM d")
                                                            : QStringLiteral("dddd, MMMM d, yyyy"));
}
