#pragma once

#include "core/updates/Updater.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class UpdateNotifier;
class UpdateSettings;

// Gentle reminders: a scheduled check that finds a newer release posts one
// desktop notification, "Momentra X.Y is available", once per release and
// session, and never opens a window. With automatic download on, the
// package is fetched and verified first and the notification offers to
// install it; otherwise its action opens the release page.
class UpdateReminders : public QObject
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void(const QUrl&)> openUrl;         // the release page, in the browser
        std::function<void(const QString&)> openPackage;  // the verified package, in the desktop's installer
    };

    UpdateReminders(Updater& updater, UpdateSettings& settings, UpdateNotifier& notifier, Actions actions,
                    QObject* parent = nullptr);

private:
    void answered(Updater::Origin origin, const Updater::Answer& answer);
    void downloaded(bool ok, const QString& pathOrReason);
    void announce(const QString& package);

    Updater& m_updater;
    UpdateSettings& m_settings;
    UpdateNotifier& m_notifier;
    Actions m_actions;
    QString m_announced;  // the version already announced this session
    bool m_isAwaitingDownload = false;
};
