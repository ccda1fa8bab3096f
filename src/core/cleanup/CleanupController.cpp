#include "core/cleanup/CleanupController.h"

#include "core/StopFlag.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/cleanup/Trash.h"
#include "core/log/EventLog.h"

#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

CleanupController::CleanupController(std::shared_ptr<Trash> trash, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_sweeper(std::make_shared<CleanupSweeper>(std::move(trash)))
    , m_log(log)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_sweepStop(std::make_shared<StopFlag>())
{
    m_worker.setMaxThreadCount(1);
    m_worker.setObjectName(QStringLiteral("app.momentra.Momentra.cleanup"));
}

CleanupController::~CleanupController()
{
    m_sweepStop->set();
    m_worker.waitForDone();
}

void CleanupController::write(const QList<SweepLog::Entry>& entries)
{
    SweepLog::write(entries, m_log);
}

void CleanupController::setLastCleanup(const std::optional<CleanupStatus>& status)
{
    if (m_lastCleanup == status)
        return;
    m_lastCleanup = status;
    Q_EMIT lastCleanupChanged();
}

void CleanupController::flushSweepLog()
{
    if (!m_configuration)
        return;
    write(
        m_sweepLog.takeSummary(m_configuration->folder, m_configuration->policy, m_configuration->permanently, now()));
}

void CleanupController::configureCleanup(const QString& folder, DeletionPolicy policy, bool permanently,
                                         SweepTrigger trigger)
{
    flushSweepLog();
    const std::optional<DeletionConfiguration> previous = m_configuration;
    if (!previous || previous->folder != folder)
        setLastCleanup(std::nullopt);
    const bool stopsRunning = !previous || previous->folder != folder || previous->policy != policy
                              || (previous->permanently && !permanently);
    if (stopsRunning) {
        m_sweepStop->set();
        m_sweepStop = std::make_shared<StopFlag>();
    }
    m_configuration = DeletionConfiguration{folder, policy, permanently};
    delete m_deletionTimer;
    m_deletionTimer = nullptr;

    const std::optional<qint64> period = DeletionPolicies::timerPeriodSeconds(policy);
    if (!period)
        return;
    runSweep(*m_configuration, trigger);

    m_deletionTimer = new QTimer(this);
    m_deletionTimer->setTimerType(Qt::CoarseTimer);  // lets the system shift it a little
    m_deletionTimer->setInterval(std::chrono::seconds(*period));
    connect(m_deletionTimer, &QTimer::timeout, this, [this] {
        if (m_configuration)
            runSweep(*m_configuration, SweepTrigger::Timer);
    });
    m_deletionTimer->start();
}

void CleanupController::handleDidWake()
{
    if (m_configuration) {
        const DeletionConfiguration current = *m_configuration;
        configureCleanup(current.folder, current.policy, current.permanently, SweepTrigger::Wake);
    }
}

QFuture<std::optional<SweepResult>> CleanupController::startPass(const QString& folder, qint64 maxAgeSeconds,
                                                                 bool permanently)
{
    const std::shared_ptr<CleanupSweeper> sweeper = m_sweeper;
    const std::shared_ptr<StopFlag> stop = m_sweepStop;
    const Clock clock = m_clock;
    return QtConcurrent::run(&m_worker, [=]() -> std::optional<SweepResult> {
        return sweeper->sweep(folder, maxAgeSeconds, permanently, *stop, clock());
    });
}

void CleanupController::runSweep(const DeletionConfiguration& configuration, SweepTrigger trigger)
{
    const std::optional<qint64> maxAge = DeletionPolicies::maximumAgeSeconds(configuration.policy);
    QFuture<std::optional<SweepResult>> pass;
    if (maxAge) {
        pass = startPass(configuration.folder, *maxAge, configuration.permanently);
    } else {
        pass = QtFuture::makeReadyFuture(std::optional<SweepResult>(SweepResult{}));
    }
    pass.then(this, [this, configuration, trigger](const std::optional<SweepResult>& result) {
        const QDateTime finished = now();
        if (m_configuration == configuration)
            setLastCleanup(CleanupStatus{finished, result});
        write(m_sweepLog.record(result, trigger, configuration.folder, configuration.policy, configuration.permanently,
                                finished));
        Q_EMIT sweepFinished(trigger);
    });
}

QFuture<std::optional<SweepResult>> CleanupController::deleteAll(const QString& folder, bool permanently)
{
    flushSweepLog();
    QFuture<std::optional<SweepResult>> pass = startPass(folder, 0, permanently);
    return pass.then(this, [this, folder, permanently](const std::optional<SweepResult>& result) {
        write(QList{SweepLog::deleteAllEntry(folder, permanently, result)}
              + SweepLog::causeEntries(result, permanently));
        if (m_onDeleteAllFinished)
            m_onDeleteAllFinished();
        if (m_configuration && m_configuration->folder == folder)
            setLastCleanup(CleanupStatus{now(), result});
        return result;
    });
}
