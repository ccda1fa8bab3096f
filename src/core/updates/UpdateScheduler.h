#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class UpdateSettings;

// When scheduled update checks are due: while automatic checks are on, the
// first a few minutes after launch, then once a day, each with a random
// spread so that not every Momentra asks at the same moment. A failed
// check is simply tried again at the next one.
class UpdateScheduler : public QObject
{
    Q_OBJECT

public:
    struct Timing
    {
        std::chrono::milliseconds firstDelay = std::chrono::minutes(3);
        std::chrono::milliseconds spread = std::chrono::minutes(5);
        std::chrono::milliseconds period = std::chrono::hours(24);
    };

    UpdateScheduler(UpdateSettings& settings, Timing timing, QObject* parent = nullptr);

    // Arms the first check (when automatic checks are on); changes of the
    // switch take effect at once from then on.
    void start();
    bool isArmed() const { return m_timer.isActive(); }
    std::chrono::milliseconds remaining() const { return m_timer.remainingTimeAsDuration(); }

Q_SIGNALS:
    void due();

private:
    void arm(std::chrono::milliseconds base);
    void follow();
    void fire();

    UpdateSettings& m_settings;
    Timing m_timing;
    QTimer m_timer;
    bool m_isStarted = false;
};
