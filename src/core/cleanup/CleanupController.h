#pragma once

#include "core/cleanup/CleanupStatus.h"
#include "core/cleanup/DeletionConfiguration.h"
#include "core/cleanup/SweepLog.h"
#include "core/cleanup/SweepResult.h"
#include "core/cleanup/SweepTrigger.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>

class CleanupSweeper;
class EventLog;
class QTimer;
class StopFlag;
class Trash;

// The cleanup machinery of the capture engine, on the main thread: the
// current set-up, its repeating timer, the running sweep, the stop flag, the
// log aggregation and the last result. Sweeps run one after another on a
// worker thread of their own; their results come back to the main thread.
class CleanupController : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    CleanupController(std::shared_ptr<Trash> trash, EventLog& log, QObject* parent = nullptr);
    ~CleanupController() override;  // stops a running sweep and waits for it

    // The time source for sweeps and log lines (read on the worker too).
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Called on the main thread after "Delete all" finished, before
    // lastCleanup is updated; the engine recounts today's screenshots there.
    void setOnDeleteAllFinished(std::function<void()> callback) { m_onDeleteAllFinished = std::move(callback); }

    void configureCleanup(const QString& folder, DeletionPolicy policy, bool permanently,
                          SweepTrigger trigger = SweepTrigger::Configured);
    // After the machine woke: sweeps the current set-up again at once.
    void handleDidWake();
    // Removes every own screenshot. The future finishes on the main thread
    // after the log line is written and lastCleanup is updated.
    QFuture<std::optional<SweepResult>> deleteAll(const QString& folder, bool permanently);
    void flushSweepLog();

    const std::optional<CleanupStatus>& lastCleanup() const { return m_lastCleanup; }

Q_SIGNALS:
    void lastCleanupChanged();
    // A scheduled sweep's result was handled (log written, lastCleanup set).
    void sweepFinished(SweepTrigger trigger);

private:
    void runSweep(const DeletionConfiguration& configuration, SweepTrigger trigger);
    QFuture<std::optional<SweepResult>> startPass(const QString& folder, qint64 maxAgeSeconds, bool permanently);
    void setLastCleanup(const std::optional<CleanupStatus>& status);
    void write(const QList<SweepLog::Entry>& entries);
    QDateTime now() const { return m_clock(); }

    std::shared_ptr<CleanupSweeper> m_sweeper;
    EventLog& m_log;
    Clock m_clock;
    std::function<void()> m_onDeleteAllFinished;

    QTimer* m_deletionTimer = nullptr;
    std::optional<DeletionConfiguration> m_configuration;
    SweepLog m_sweepLog;
    std::shared_ptr<StopFlag> m_sweepStop;
    std::optional<CleanupStatus> m_lastCleanup;
    QThreadPool m_worker;  // one thread: sweeps never overlap and run in order
};
