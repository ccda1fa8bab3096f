#include "ui/settings/GeneralSettingsTab.h"

#include "core/settings/LaunchAtLogin.h"
#include "ui/ShortcutRecorder.h"
#include "ui/settings/DesktopShortcutOffer.h"
#include "ui/settings/SettingsForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

GeneralSettingsTab::GeneralSettingsTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_form(new SettingsForm(this))
{
    SettingsForm* form = m_form;
    if (context.launchAtLogin) {
        m_switch = context.launchAtLogin;
        m_launchAtLogin = new QCheckBox(QStringLiteral("Launch at login"));
        form->addFieldRow(m_launchAtLogin);
        m_launchAtLoginMessage = form->addHelp(QString());
        connect(m_launchAtLogin, &QCheckBox::toggled, m_switch, &LaunchAtLogin::setLaunchAtLogin);
        connect(m_switch, &LaunchAtLogin::changed, this, &GeneralSettingsTab::showLaunchAtLogin);
        showLaunchAtLogin();
    }
    auto* recorder = new ShortcutRecorder(context.toggleCaptureShortcut, context.shortcuts);
    recorder->setFocusProxy(recorder->field());
    form->addLabelledRow(QStringLiteral("Start/stop screenshots shortcut"), recorder);
    m_shortcutMechanism = form->addHelp(QStringLiteral("Global shortcut: ")
                                        + globalShortcutMechanismName(context.shortcutMechanism));
    m_shortcutMechanism->setObjectName(QStringLiteral("globalShortcutMechanism"));
    if (context.desktopKeyBinding)
        form->addFieldRow(
            new DesktopShortcutOffer(*context.desktopKeyBinding, context.shortcuts, context.toggleCaptureShortcut));
}

// The switch follows the desktop's record, whatever was asked.
void GeneralSettingsTab::showLaunchAtLogin()
{
    const QSignalBlocker blocker(m_launchAtLogin);
    m_launchAtLogin->setChecked(m_switch->isEnabled());
    m_launchAtLogin->setEnabled(!m_switch->isBusy());
    m_launchAtLoginMessage->setText(m_switch->error());
    m_form->setRowVisible(m_launchAtLoginMessage, !m_switch->error().isEmpty());
}
