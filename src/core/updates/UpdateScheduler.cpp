#include "core/updates/UpdateScheduler.h"

#include "core/updates/UpdateSettings.h"

#include <QRandomGenerator>

UpdateScheduler::UpdateScheduler(UpdateSettings& settings, Timing timing, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_timing(timing)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UpdateScheduler::fire);
    connect(&m_settings, &UpdateSettings::changed, this, &UpdateScheduler::follow);
}

void UpdateScheduler::start()
{
    m_isStarted = true;
    follow();
}

// Turned on: the first check a few minutes from now. Turned off: none.
void UpdateScheduler::follow()
{
    if (!m_isStarted)
        return;
    if (!m_settings.automaticallyChecks())
        m_timer.stop();
    else if (!m_timer.isActive())
        arm(m_timing.firstDelay);
}

void UpdateScheduler::arm(std::chrono::milliseconds base)
{
    const auto spread = QRandomGenerator::global()->bounded(qint64(m_timing.spread.count()) + 1);
    m_timer.start(base + std::chrono::milliseconds(spread));
}

void UpdateScheduler::fire()
{
    arm(m_timing.period);
    // Another Momentra process (the settings window alone) may have turned checks off meanwhile.
    if (m_settings.automaticallyChecks())
        Q_EMIT due();
}
