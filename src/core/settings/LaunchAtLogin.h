#pragma once

#include "core/LoginItems.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

class EventLog;

// The "Launch at login" switch: turns the login item on or off off the main
// thread and explains, on the main thread, why the desktop's record does not
// say what was asked. The switch always shows the live status, never a
// stored one.
class LaunchAtLogin : public QObject
{
    Q_OBJECT

public:
    static const QString kApprovalMessage;
    static const QString kNotFoundMessage;
    static const QString kFailedPrefix;  // followed by the reason
    static const QString kManualMessage;

    // What a finished call leaves to show under the switch.
    struct Outcome
    {
        QString error;  // empty when the status agrees with the request
        bool needsApproval = false;
        bool operator==(const Outcome&) const = default;
    };
    static Outcome outcome(bool enabled, LoginItems::Status status, const Result<void>& call);

    LaunchAtLogin(LoginItems& items, EventLog& log, QObject* parent = nullptr);
    ~LaunchAtLogin() override;  // waits for a call still running

    bool isEnabled() const;  // read anew from the desktop
    QString error() const { return m_outcome.error; }
    bool needsApproval() const { return m_outcome.needsApproval; }
    bool isBusy() const { return m_pending > 0; }

    // Calls run one after another; each one's outcome replaces the last.
    void setLaunchAtLogin(bool enabled);

Q_SIGNALS:
    // The status, the error, needsApproval or isBusy may read differently now.
    void changed();

private:
    void apply(bool enabled, const Result<void>& call);

    LoginItems& m_items;
    EventLog& m_log;
    Outcome m_outcome;
    int m_pending = 0;
    QThreadPool m_pool;  // one thread: register and unregister never overlap
};
