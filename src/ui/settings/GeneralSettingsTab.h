#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class LaunchAtLogin;
class QCheckBox;
class QLabel;
class SettingsForm;

// Launch at login and the start/stop shortcut, with the way it reaches the
// desktop (and, where the desktop keeps it, the offer to put it there).
class GeneralSettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit GeneralSettingsTab(const SettingsContext& context, QWidget* parent = nullptr);

    QCheckBox* launchAtLogin() const { return m_launchAtLogin; }  // null where Momentra can't start at login
    QLabel* launchAtLoginMessage() const { return m_launchAtLoginMessage; }
    QLabel* shortcutMechanism() const { return m_shortcutMechanism; }

private:
    void showLaunchAtLogin();

    SettingsForm* m_form;
    LaunchAtLogin* m_switch = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginMessage = nullptr;
    QLabel* m_shortcutMechanism = nullptr;
};
