#pragma once

#include "core/LoginItems.h"

#include <QDBusConnection>
#include <QString>

#include <chrono>

// Launch at login from inside a Flatpak sandbox, where the host's autostart
// folder is out of reach: the Background portal's RequestBackground with
// autostart, which the desktop may first ask the user to allow. The portal
// tells no status afterwards, so its last answer is kept in a small record
// file of our own.
class BackgroundPortalItems : public LoginItems
{
public:
    BackgroundPortalItems(QDBusConnection bus, QString recordPath);

    static bool isSandboxed();            // /.flatpak-info exists
    static QString standardRecordPath();  // $XDG_CONFIG_HOME/Momentra/background-autostart

    Status status() const override;
    Result<void> registerItem() override { return request(true); }
    Result<void> unregisterItem() override { return request(false); }

    static constexpr std::chrono::seconds kAnswerTimeout{120};  // the user may be asked

private:
    Result<void> request(bool autostart);
    void record(Status status);

    QDBusConnection m_bus;
    const QString m_recordPath;
};
