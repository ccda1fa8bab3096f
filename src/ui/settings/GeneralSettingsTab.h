#pragma once

#include "ui/settings/SettingsContext.h"

#include <QWidget>

class LaunchAtLoginSwitch;
class QCheckBox;
class QLabel;

// Launch at login and the start/stop shortcut.
class GeneralSettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit GeneralSettingsTab(const SettingsContext& context, QWidget* parent = nullptr);

    QCheckBox* launchAtLogin() const { return m_launchAtLogin; }  // null without login items
    QLabel* launchAtLoginMessage() const { return m_launchAtLoginMessage; }

private:
    void showLaunchAtLogin();

    LaunchAtLoginSwitch* m_switch = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginMessage = nullptr;
};
