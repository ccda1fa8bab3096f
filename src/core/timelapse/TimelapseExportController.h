#pragma once

#include "core/StopFlag.h"
#include "core/timelapse/TimelapseDay.h"
#include "core/timelapse/TimelapseExporter.h"
#include "core/timelapse/TimelapseProgress.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// Runs one timelapse export at a time for the user interface: the exporter
// works on a pool thread, its progress and outcome come back to this object
// on the main thread as state and a status line. changed() is emitted once for
// every call that altered any of the published values.
class EventLog;

class TimelapseExportController : public QObject
{
    Q_OBJECT

public:
    using Revealer = std::function<void(const QList<QUrl>&)>;

    TimelapseExportController(std::shared_ptr<const TimelapseExporter> exporter, EventLog& log,
                              QObject* parent = nullptr);
    ~TimelapseExportController() override;

    const QStringList& days() const { return m_days; }
    bool isRunning() const { return m_isRunning; }
    bool isCancelling() const { return m_isCancelling; }
    int completedFrames() const { return m_completedFrames; }
    int totalFrames() const { return m_totalFrames; }
    const std::optional<QString>& statusText() const { return m_statusText; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    const QList<QUrl>& outputURLs() const { return m_outputURLs; }

    // Shows finished videos in the file manager; the application installs it.
    void setRevealer(Revealer revealer) { m_revealer = std::move(revealer); }

    // Ignored while an export runs or when the list is empty.
    void exportDays(const QList<QUrl>& dayFolders, int fps);
    void cancel();

    static QList<TimelapseDay> loadDays(const QString& screenshotsFolder);
    // "Today", "Yesterday", "Monday, May 6" or, for another year, "Monday, May 6, 2023".
    static QString dayLabel(const QString& dayName, const QDateTime& now = QDateTime::currentDateTime());

Q_SIGNALS:
    void changed();
    // The export ended: finished, cancelled or failed.
    void ended();

private:
    void apply(const TimelapseProgress& progress);
    void finish(const QList<QUrl>& outputURLs, bool wasCancelled, const QStringList& skippedDays);
    void fail(const QString& message);
    template <typename T>
    bool assign(T& field, const T& value);
    void publishIf(bool changedAny);
    void handleOutcome(const TimelapseExporter::Outcome& outcome, const QString& firstFolderName);

    std::shared_ptr<const TimelapseExporter> m_exporter;
    EventLog& m_log;
    Revealer m_revealer;

    QStringList m_days;
    bool m_isRunning = false;
    bool m_isCancelling = false;
    int m_completedFrames = 0;
    int m_totalFrames = 0;
    std::optional<QString> m_statusText;
    std::optional<QString> m_errorMessage;
    QList<QUrl> m_outputURLs;
    QFuture<TimelapseExporter::Outcome> m_work;  // the exporter's run
    QFuture<void> m_exportTask;                  // its outcome handled here
    // Set on the main thread, read by the exporter's thread; one per export.
    std::shared_ptr<StopFlag> m_cancelFlag;
};
