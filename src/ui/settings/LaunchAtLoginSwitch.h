#pragma once

#include "core/LoginItems.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

// The General tab's "Launch at login": asks the desktop to add or remove the
// login item off the main thread, then reads the status back and explains a
// status that does not say what was asked. The switch shows the live
// status, never a stored one.
class LaunchAtLoginSwitch : public QObject
{
    Q_OBJECT

public:
    static const QString kApprovalMessage;
    static const QString kNotFoundMessage;
    static const QString kFailedPrefix;  // followed by the reason
    static const QString kManualMessage;

    explicit LaunchAtLoginSwitch(LoginItems& items, QObject* parent = nullptr);
    ~LaunchAtLoginSwitch() override;  // waits for a call still running

    bool isEnabled() const { return m_items.status() == LoginItems::Status::Enabled; }
    QString error() const { return m_error; }
    bool isBusy() const { return m_pending > 0; }
    void setLaunchAtLogin(bool enabled);

Q_SIGNALS:
    void changed();  // the status, the error or isBusy may read differently now

private:
    void apply(bool enabled, const Result<void>& call);

    LoginItems& m_items;
    QString m_error;
    int m_pending = 0;
    QThreadPool m_pool;  // one thread: calls never overlap
};
