#pragma once

#include "core/capture/CaptureConfiguration.h"
#include "core/capture/CaptureTickResult.h"

#include <QDateTime>
#include <QFuture>
#include <QMap>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <optional>

class DisplayCapture;
class EventLog;
class SessionState;

// The capture engine: takes a screenshot of every display (or the chosen
// one) at a fixed interval while started, and publishes its state. It lives
// on the main thread; the capture itself runs on a worker thread, one at a
// time. Every state field has a getter and a change signal; assigning an
// equal value emits nothing.
//
// Cleanup (old screenshots, "Delete all") is a separate service that the
// host configures beside the engine; it shares only the screenshots folder.
class ScreenshotManager : public QObject
{
    Q_OBJECT

public:
    // Follows the session's sleep and wake by itself.
    ScreenshotManager(DisplayCapture& capture, SessionState& session, EventLog& log, QObject* parent = nullptr);
    ~ScreenshotManager() override;  // waits for a running capture

    // State
    bool isCapturing() const { return m_isCapturing; }
    std::optional<QDateTime> lastCaptureAt() const { return m_lastCaptureAt; }
    std::optional<QDateTime> nextCaptureAt() const { return m_nextCaptureAt; }
    int todayCount() const { return m_todayCount; }
    int savedSinceLaunch() const { return m_savedSinceLaunch; }
    std::optional<QString> lastError() const { return m_lastError; }
    std::optional<qint64> lowSpaceFreeBytes() const { return m_lowSpaceFreeBytes; }
    std::optional<QString> missingDisplayName() const { return m_missingDisplayName; }
    std::optional<CaptureConfiguration> configuration() const { return m_configuration; }
    std::optional<QDateTime> todayCountDate() const { return m_todayCountDate; }
    bool isTicking() const { return m_isTicking; }
    bool hasNotifiedError() const { return m_hasNotifiedError; }
    bool wasCapturingBeforeSleep() const { return m_wasCapturingBeforeSleep; }
    const QTimer* timer() const { return m_timer; }  // nothing while stopped

    // Host callbacks (main thread).
    std::function<void(const QMap<QString, int>&)> onDisplayOrdinalsChanged;
    std::function<void(bool)> onCapturingChanged;
    std::function<void(const QDateTime&)> onCaptureSucceeded;
    // Posts the desktop notification for a new failure streak.
    std::function<void(const QString& message)> onFailureNotification;
    // First step of waking up: the host runs the wake-time cleanup sweep.
    std::function<void()> onDidWake;

    bool start(const CaptureConfiguration& configuration);
    void stop();
    void update(const CaptureConfiguration& configuration);
    void tick();
    // Captures and writes once, off the main thread.
    QFuture<CaptureTickResult> capture(const CaptureConfiguration& configuration);
    void refreshTodayCountIfNeeded();
    void reportError(const QString& message);
    // The machine is about to sleep / has woken: the timer stops while
    // asleep, and the first tick after waking comes one interval later.
    void handleWillSleep();
    void handleDidWake();
    // Recounts today's screenshots at the next refresh (after "Delete all").
    void invalidateTodayCount() { setTodayCountDate(std::nullopt); }

    // The timer rules: period max(t, 1 s); tolerance min(10 % of t, 60 s)
    // for t ≥ 1 s, else 0.1 s. Qt has no per-timer tolerance: a tolerance
    // maps to Qt::CoarseTimer, whose slack (≤ 5 %, whole seconds from 20 s
    // on) always stays within it.
    static int timerPeriodMilliseconds(double intervalSeconds);
    static Qt::TimerType timerType(double intervalSeconds);

    // For tests: the clock the engine reads.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    void isCapturingChanged();
    void lastCaptureAtChanged();
    void nextCaptureAtChanged();
    void todayCountChanged();
    void savedSinceLaunchChanged();
    void lastErrorChanged();
    void lowSpaceFreeBytesChanged();
    void missingDisplayNameChanged();
    void configurationChanged();
    void todayCountDateChanged();
    void isTickingChanged();
    void hasNotifiedErrorChanged();
    void tickFinished();  // after every tick, captured or skipped

private:
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void applyConfiguration(const CaptureConfiguration& configuration);
    void scheduleTimer(double intervalSeconds);
    void stopTimer();
    bool isLowOnSpace(const CaptureConfiguration& configuration);
    bool gatesSkip(const CaptureConfiguration& configuration);
    void handleResult(const CaptureTickResult& result);
    void storeOrdinals(const QMap<QString, int>& ordinals);
    void finishTick();

    void setIsCapturing(bool value);
    void setLastCaptureAt(std::optional<QDateTime> value);
    void setNextCaptureAt(std::optional<QDateTime> value);
    void setTodayCount(int value);
    void setSavedSinceLaunch(int value);
    void setLastError(std::optional<QString> value);
    void setLowSpaceFreeBytes(std::optional<qint64> value);
    void setMissingDisplayName(std::optional<QString> value);
    void setConfiguration(std::optional<CaptureConfiguration> value);
    void setTodayCountDate(std::optional<QDateTime> value);
    void setIsTicking(bool value);
    void setHasNotifiedError(bool value);

    DisplayCapture& m_capture;
    SessionState& m_session;
    EventLog& m_log;
    QThreadPool m_pool;
    QFuture<CaptureTickResult> m_running;
    std::function<QDateTime()> m_clock;

    bool m_isCapturing = false;
    std::optional<QDateTime> m_lastCaptureAt;
    std::optional<QDateTime> m_nextCaptureAt;
    int m_todayCount = 0;
    int m_savedSinceLaunch = 0;
    std::optional<QString> m_lastError;
    std::optional<qint64> m_lowSpaceFreeBytes;
    std::optional<QString> m_missingDisplayName;
    QTimer* m_timer = nullptr;
    std::optional<CaptureConfiguration> m_configuration;
    std::optional<QDateTime> m_todayCountDate;
    bool m_isTicking = false;
    bool m_hasNotifiedError = false;
    bool m_wasCapturingBeforeSleep = false;
};
