#pragma once

#include "core/FileDescriptor.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

// Our login session as systemd-logind sees it (system bus), and the
// machine's sleep announcements. Calls are synchronous with a short
// time-out; they run only when a gate asks.
class LogindClient : public QObject
{
    Q_OBJECT

public:
    enum class Presence {
        Present,       // logind knows our session
        Missing,       // logind answered that our session does not exist
        Unidentified,  // logind runs, but no session of ours could be found
        LogindAbsent,  // no logind on this machine (or no system bus)
    };

    struct SessionFacts
    {
        Presence presence = Presence::LogindAbsent;
        std::optional<bool> lockedHint;
        std::optional<bool> active;
        std::optional<bool> idleHint;
        quint64 idleSinceMonotonicUs = 0;  // IdleSinceHintMonotonic: CLOCK_MONOTONIC, microseconds
    };

    explicit LogindClient(QDBusConnection systemBus, QObject* parent = nullptr);

    SessionFacts sessionFacts();

    // A delay inhibitor for sleep: while the returned descriptor is open,
    // logind waits (up to its InhibitDelayMaxSec) before suspending.
    // Holds no descriptor when logind refused or is absent.
    FileDescriptor inhibitSleepDelay(const QString& why);

    bool isWatchingSleep() const { return m_watchingSleep; }

Q_SIGNALS:
    void prepareForSleep(bool sleeping);  // true before sleep, false after wake

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);

private:
    QString resolveSessionPath(Presence* presence);
    QString sessionPathFromManager(const QString& method, const QVariant& argument, QString* errorName);
    QString displaySessionOfUser(QString* errorName);

    QDBusConnection m_bus;
    QString m_sessionPath;
    bool m_watchingSleep = false;
};
