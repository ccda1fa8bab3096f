#pragma once

#include "core/updates/UpdateNotifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

// Update reminders through org.freedesktop.Notifications: one action button
// (also the notification's default action), run when the desktop reports it
// invoked. Posting is asynchronous; without the service nothing happens.
class DesktopUpdateNotifier : public QObject, public UpdateNotifier
{
    Q_OBJECT

public:
    explicit DesktopUpdateNotifier(QDBusConnection sessionBus, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, const QString& actionLabel,
                std::function<void()> action) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QHash<uint, std::function<void()>> m_actions;  // by notification id, while shown
};
