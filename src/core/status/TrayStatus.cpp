#include "core/status/TrayStatus.h"

#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenshotManager.h"

#include <QLocale>

QString MenuBarIcon::title(State state)
{
    switch (state) {
    case State::Capturing:
        return QStringLiteral("Momentra: capturing");
    case State::NeedsAttention:
        return QStringLiteral("Momentra: not capturing, needs attention");
    case State::Idle:
        break;
    }
    return QStringLiteral("Momentra: not capturing");
}

QString MenuBarIcon::iconName(State state, bool symbolic)
{
    static const char* const kNames[] = {"momentra-idle", "momentra-capturing", "momentra-attention"};
    return QLatin1String(kNames[int(state)]) + (symbolic ? QStringLiteral("-symbolic") : QString());
}

MenuBarIcon::State TrayStatus::iconState(const Facts& facts)
{
    if (facts.lastError || (facts.capturing && facts.lowSpaceFreeBytes) || !facts.hasPermission)
        return MenuBarIcon::State::NeedsAttention;
    return facts.capturing ? MenuBarIcon::State::Capturing : MenuBarIcon::State::Idle;
}

QString TrayStatus::lowSpaceText(qint64 freeBytes)
{
    return QStringLiteral("Paused: only ") + QLocale().formattedDataSize(freeBytes, 1, QLocale::DataSizeSIFormat)
           + QStringLiteral(" free");
}

QList<TrayStatus::Line> TrayStatus::statusLines(const Facts& facts)
{
    using K = Line::Kind;
    const Line today{K::Secondary, QLocale().toString(facts.todayCount) + QStringLiteral(" today")};
    if (facts.capturing && facts.lowSpaceFreeBytes)
        return {{K::Warning, lowSpaceText(*facts.lowSpaceFreeBytes)}, today};
    if (facts.capturing && facts.missingDisplayName)
        return {{K::Status, QStringLiteral("Paused: %1 isn't connected").arg(*facts.missingDisplayName)}, today};
    if (facts.lastError)
        return {{K::Warning, *facts.lastError}};
    if (!facts.capturing)
        return {{K::Secondary, QStringLiteral("Not capturing")}};
    QList<Line> lines{{K::Status, QStringLiteral("Capturing")}};
    if (facts.nextCaptureAt)
        lines.append({K::Countdown, QStringLiteral("Next in ")});
    lines.append(today);
    return lines;
}

QString TrayStatus::countdown(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours ? (seconds / 60) % 60 : seconds / 60, hours ? 2 : 1, 10,
                                               QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds : minutesAndSeconds;
}

TrayStatus::TrayStatus(ScreenshotManager& engine, ScreenCapturePermission& permission, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_permission(permission)
    , m_hasPermission(permission.isGranted())
{
    for (auto signal : {&ScreenshotManager::isCapturingChanged, &ScreenshotManager::lastErrorChanged,
                        &ScreenshotManager::lowSpaceFreeBytesChanged, &ScreenshotManager::missingDisplayNameChanged,
                        &ScreenshotManager::nextCaptureAtChanged, &ScreenshotManager::todayCountChanged})
        connect(&m_engine, signal, this, &TrayStatus::changed);
    m_permissionPoll.setInterval(kPermissionPollMilliseconds);
    connect(&m_permissionPoll, &QTimer::timeout, this, &TrayStatus::refreshPermission);
    m_permissionPoll.start();
}

void TrayStatus::refreshPermission()
{
    const bool granted = m_permission.isGranted();
    if (granted == m_hasPermission)
        return;
    m_hasPermission = granted;
    Q_EMIT changed();
}

TrayStatus::Facts TrayStatus::facts() const
{
    return {m_engine.isCapturing(),
            m_engine.lastError(),
            m_engine.lowSpaceFreeBytes(),
            m_engine.missingDisplayName(),
            m_engine.nextCaptureAt(),
            m_engine.todayCount(),
            m_hasPermission};
}
