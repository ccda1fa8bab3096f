#include "core/capture/ScreenshotManager.h"

#include "core/capture/DisplayCapture.h"
#include "core/capture/FreeSpaceGate.h"
#include "core/capture/ScreenshotWriter.h"
#include "core/capture/SessionState.h"
#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"
#include "core/log/EventLog.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <climits>
#include <cmath>

namespace {

QString wholeSeconds(double seconds)
{
    return QString::number(qint64(std::trunc(seconds)));
}

QDateTime after(const QDateTime& from, double seconds)
{
    return from.addMSecs(qint64(std::llround(seconds * 1000.0)));
}

void ensureScreenshotsFolder(const QString& folder)
{
    // A failure shows up at the next capture, which writes into it.
    if (!folder.isEmpty() && !QFileInfo::exists(folder))
        ScreenshotWriter::ensureFolder(folder);
}

}  // namespace

ScreenshotManager::ScreenshotManager(DisplayCapture& capture, SessionState& session, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_capture(capture)
    , m_session(session)
    , m_log(log)
{
    m_pool.setMaxThreadCount(1);
    connect(&m_session, &SessionState::willSleep, this, &ScreenshotManager::handleWillSleep);
    connect(&m_session, &SessionState::didWake, this, &ScreenshotManager::handleDidWake);
}

ScreenshotManager::~ScreenshotManager()
{
    // The capture uses objects the host owns; let it end before they go.
    m_pool.waitForDone();
}

int ScreenshotManager::timerPeriodMilliseconds(double intervalSeconds)
{
    if (!(intervalSeconds > 1))
        return 1000;
    return int(qMin<double>(std::round(intervalSeconds * 1000.0), INT_MAX));
}

Qt::TimerType ScreenshotManager::timerType(double intervalSeconds)
{
    return intervalSeconds >= 1 ? Qt::CoarseTimer : Qt::PreciseTimer;
}

void ScreenshotManager::scheduleTimer(double intervalSeconds)
{
    stopTimer();
    m_timer = new QTimer(this);
    m_timer->setTimerType(timerType(intervalSeconds));
    m_timer->setInterval(timerPeriodMilliseconds(intervalSeconds));
    connect(m_timer, &QTimer::timeout, this, &ScreenshotManager::tick);
    m_timer->start();
    setNextCaptureAt(after(now(), intervalSeconds));
}

void ScreenshotManager::stopTimer()
{
    delete m_timer;
    m_timer = nullptr;
}

bool ScreenshotManager::start(const CaptureConfiguration& configuration)
{
    m_log.log(QStringLiteral("Capture started: every %1s, %2, into %3")
                  .arg(wholeSeconds(configuration.intervalSeconds), ScreenshotFormats::rawValue(configuration.format),
                       configuration.folder),
              EventLog::kEngine);
    applyConfiguration(configuration);
    ensureScreenshotsFolder(configuration.folder);
    // Partial files of a capture that was killed midway are never screenshots;
    // the look through every day folder runs on the capture thread.
    (void)QtConcurrent::run(&m_pool,
                            [folder = configuration.folder] { PartialFiles::removeAbandonedInLibrary(folder); });
    setLastError(std::nullopt);
    setHasNotifiedError(false);
    setIsCapturing(true);
    if (onCapturingChanged)
        onCapturingChanged(true);
    refreshTodayCountIfNeeded();
    isLowOnSpace(configuration);
    scheduleTimer(configuration.intervalSeconds);
    return true;
}

// The idle gate's source learns the threshold only where the gate is on;
// some arm a notification with it.
void ScreenshotManager::applyConfiguration(const CaptureConfiguration& configuration)
{
    setConfiguration(configuration);
    if (configuration.pauseWhenIdle)
        m_session.setIdleThreshold(configuration.idleThresholdSeconds);
}

void ScreenshotManager::stop()
{
    if (m_isCapturing) {
        m_log.log(QStringLiteral("Capture stopped"), EventLog::kEngine);
        setIsCapturing(false);
    }
    if (onCapturingChanged)
        onCapturingChanged(false);
    stopTimer();
    setNextCaptureAt(std::nullopt);
    setLastError(std::nullopt);
    setLowSpaceFreeBytes(std::nullopt);
    setMissingDisplayName(std::nullopt);
    setHasNotifiedError(false);
    m_wasCapturingBeforeSleep = false;  // a wake after stopping must not restart the timer
}

void ScreenshotManager::handleWillSleep()
{
    if (!m_isCapturing)
        return;
    m_log.log(QStringLiteral("Sleeping; capture paused"), EventLog::kEngine);
    m_wasCapturingBeforeSleep = true;
    stopTimer();  // isCapturing stays true and nextCaptureAt keeps its value
}

void ScreenshotManager::handleDidWake()
{
    if (onDidWake)
        onDidWake();
    if (!m_wasCapturingBeforeSleep || !m_configuration)
        return;
    m_log.log(QStringLiteral("Woke; capture resumed"), EventLog::kEngine);
    m_wasCapturingBeforeSleep = false;
    scheduleTimer(m_configuration->intervalSeconds);
}

void ScreenshotManager::update(const CaptureConfiguration& configuration)
{
    if (!m_isCapturing) {
        setConfiguration(configuration);
        return;
    }
    const std::optional<CaptureConfiguration> previous = m_configuration;
    applyConfiguration(configuration);
    if (!previous || previous->onlyDisplay != configuration.onlyDisplay)
        setMissingDisplayName(std::nullopt);
    if (!previous || previous->folder != configuration.folder)
        ensureScreenshotsFolder(configuration.folder);
    if (!previous || previous->intervalSeconds != configuration.intervalSeconds) {
        m_log.log(QStringLiteral("Interval changed: every %1s").arg(wholeSeconds(configuration.intervalSeconds)),
                  EventLog::kEngine);
        scheduleTimer(configuration.intervalSeconds);
    }
    isLowOnSpace(configuration);
}

void ScreenshotManager::tick()
{
    if (m_isTicking)
        return;  // a slow capture swallows the firing
    if (!m_isCapturing || !m_configuration)
        return;
    setIsTicking(true);
    const CaptureConfiguration configuration = *m_configuration;
    if (gatesSkip(configuration)) {
        finishTick();
        return;
    }
    refreshTodayCountIfNeeded();
    m_running = capture(configuration);
    m_running.then(this, [this](const CaptureTickResult& result) {
        handleResult(result);
        finishTick();
    });
}

QFuture<CaptureTickResult> ScreenshotManager::capture(const CaptureConfiguration& configuration)
{
    return QtConcurrent::run(
        &m_pool, [&capture = m_capture, configuration, at = now()] { return capture.capture(configuration, at); });
}

void ScreenshotManager::finishTick()
{
    if (m_isCapturing && m_configuration)
        setNextCaptureAt(after(now(), m_configuration->intervalSeconds));
    setIsTicking(false);
    Q_EMIT tickFinished();
}

bool ScreenshotManager::gatesSkip(const CaptureConfiguration& configuration)
{
    if (isLowOnSpace(configuration))
        return true;
    if (configuration.pausesWhenLocked && m_session.isScreenLocked())
        return true;
    if (configuration.pauseWhenIdle && m_session.secondsSinceLastInput() >= configuration.idleThresholdSeconds)
        return true;
    const std::optional<QString> frontmost = m_session.frontmostAppId();
    return frontmost && configuration.excludedAppIds.contains(*frontmost);
}

bool ScreenshotManager::isLowOnSpace(const CaptureConfiguration& configuration)
{
    std::optional<qint64> free;
    if (configuration.minimumFreeBytes)
        free = m_session.freeBytes(configuration.folder);
    const FreeSpaceGate::Verdict verdict = FreeSpaceGate::evaluate(configuration.minimumFreeBytes, free,
                                                                   m_lowSpaceFreeBytes);
    if (!verdict.logLine.isEmpty())
        m_log.log(verdict.logLine, EventLog::kEngine);
    setLowSpaceFreeBytes(verdict.lowSpaceFreeBytes);
    return verdict.isLow;
}

void ScreenshotManager::handleResult(const CaptureTickResult& result)
{
    if (result.isDisplayMissing()) {
        const std::optional<ChosenDisplay> chosen = m_configuration ? m_configuration->onlyDisplay
                                                                    : std::optional<ChosenDisplay>();
        if (chosen) {
            if (!m_missingDisplayName)
                m_log.log(chosen->name + QStringLiteral(" isn't connected; skipping captures"), EventLog::kEngine);
            setMissingDisplayName(chosen->name);
        }
        storeOrdinals(result.displayOrdinals());
        return;
    }
    if (m_missingDisplayName) {
        m_log.log(QStringLiteral("Chosen display connected again"), EventLog::kEngine);
        setMissingDisplayName(std::nullopt);
    }
    if (result.isFailure()) {
        reportError(result.message());
        return;
    }
    storeOrdinals(result.displayOrdinals());
    const QDateTime at = now();
    setLastCaptureAt(at);
    setTodayCount(m_todayCount + result.count());
    setSavedSinceLaunch(m_savedSinceLaunch + result.count());
    if (onCaptureSucceeded)
        onCaptureSucceeded(at);
    if (result.failureText()) {
        reportError(*result.failureText());
    } else {
        if (m_lastError)
            m_log.log(QStringLiteral("Capture resumed"), EventLog::kEngine);
        setLastError(std::nullopt);
        setHasNotifiedError(false);
    }
}

void ScreenshotManager::storeOrdinals(const QMap<QString, int>& ordinals)
{
    if (!m_configuration || m_configuration->displayOrdinals == ordinals)
        return;
    m_configuration->displayOrdinals = ordinals;
    Q_EMIT configurationChanged();
    if (onDisplayOrdinalsChanged)
        onDisplayOrdinalsChanged(ordinals);
}

void ScreenshotManager::reportError(const QString& message)
{
    if (m_session.isScreenLocked())
        return;  // failures while locked are expected
    // One line per failure streak and cause: the messages name no file, so
    // a full disk does not write a line on every tick.
    if (m_lastError != message)
        m_log.logError(QStringLiteral("Capture failed: ") + message, EventLog::kEngine);
    setLastError(message);
    if (!m_hasNotifiedError) {
        setHasNotifiedError(true);
        if (onFailureNotification)
            onFailureNotification(message);
    }
}

void ScreenshotManager::refreshTodayCountIfNeeded()
{
    const QDateTime at = now();
    if (m_todayCountDate && m_todayCountDate->toLocalTime().date() == at.toLocalTime().date())
        return;
    setTodayCount(m_configuration ? LibraryLayout::todayCount(m_configuration->folder, at) : 0);
    setTodayCountDate(at);
}

#define MOMENTRA_SETTER(Name, member, Type, signal) \
    void ScreenshotManager::Name(Type value)        \
    {                                               \
        if (member == value)                        \
            return;                                 \
        member = std::move(value);                  \
        Q_EMIT signal();                            \
    }

MOMENTRA_SETTER(setIsCapturing, m_isCapturing, bool, isCapturingChanged)
MOMENTRA_SETTER(setLastCaptureAt, m_lastCaptureAt, std::optional<QDateTime>, lastCaptureAtChanged)
MOMENTRA_SETTER(setNextCaptureAt, m_nextCaptureAt, std::optional<QDateTime>, nextCaptureAtChanged)
MOMENTRA_SETTER(setTodayCount, m_todayCount, int, todayCountChanged)
MOMENTRA_SETTER(setSavedSinceLaunch, m_savedSinceLaunch, int, savedSinceLaunchChanged)
MOMENTRA_SETTER(setLastError, m_lastError, std::optional<QString>, lastErrorChanged)
MOMENTRA_SETTER(setLowSpaceFreeBytes, m_lowSpaceFreeBytes, std::optional<qint64>, lowSpaceFreeBytesChanged)
MOMENTRA_SETTER(setMissingDisplayName, m_missingDisplayName, std::optional<QString>, missingDisplayNameChanged)
MOMENTRA_SETTER(setConfiguration, m_configuration, std::optional<CaptureConfiguration>, configurationChanged)
MOMENTRA_SETTER(setTodayCountDate, m_todayCountDate, std::optional<QDateTime>, todayCountDateChanged)
MOMENTRA_SETTER(setIsTicking, m_isTicking, bool, isTickingChanged)
MOMENTRA_SETTER(setHasNotifiedError, m_hasNotifiedError, bool, hasNotifiedErrorChanged)

#undef MOMENTRA_SETTER
