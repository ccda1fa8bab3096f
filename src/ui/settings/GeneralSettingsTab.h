#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class LaunchAtLogin;
class QCheckBox;
class QLabel;
class SettingsForm;

// Launch at login and the start/stop shortcut.
class GeneralSettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit GeneralSettingsTab(const SettingsContext& context, QWidget* parent = nullptr);

    QCheckBox* launchAtLogin() const { return m_launchAtLogin; }  // null where Momentra can't start at login
    QLabel* launchAtLoginMessage() const { return m_launchAtLoginMessage; }

private:
    void showLaunchAtLogin();

    SettingsForm* m_form;
    LaunchAtLogin* m_switch = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginMessage = nullptr;
};
