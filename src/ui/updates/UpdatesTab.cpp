#include "ui/updates/UpdatesTab.h"

#include "core/updates/UpdateSettings.h"
#include "ui/settings/SettingsForm.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>

UpdatesTab::UpdatesTab(UpdateSettings& settings, std::function<void()> checkNow, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_checks(new QCheckBox(QStringLiteral("Automatically check for updates")))
    , m_downloads(new QCheckBox(QStringLiteral("Automatically download updates")))
    , m_check(new QPushButton(QStringLiteral("Check for Updates…")))
{
    m_checks->setObjectName(QStringLiteral("automaticallyChecks"));
    m_downloads->setObjectName(QStringLiteral("automaticallyDownloads"));
    m_check->setObjectName(QStringLiteral("checkForUpdates"));
    m_check->setIcon(SettingsForm::themeIcon(QStringLiteral("system-software-update")));
    m_check->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);

    auto* form = new SettingsForm(this);
    form->addFieldRow(m_checks);
    form->addHelp(QStringLiteral("Once a day Momentra asks its website whether there is a newer version. "
                                 "That request, with Momentra's version and your processor type, is the only "
                                 "thing Momentra ever sends from this computer."));
    form->addFieldRow(m_downloads);
    form->addHelp(QStringLiteral("Downloads a newer version in the background and checks it. You choose when to "
                                 "install it; your software installer asks for your password."));
    form->addFieldRow(m_check);

    connect(m_checks, &QCheckBox::toggled, &m_settings, &UpdateSettings::setAutomaticallyChecks);
    connect(m_downloads, &QCheckBox::toggled, &m_settings, &UpdateSettings::setAutomaticallyDownloads);
    connect(&m_settings, &UpdateSettings::changed, this, &UpdatesTab::showSettings);
    connect(m_check, &QPushButton::clicked, this, [checkNow = std::move(checkNow)] { checkNow(); });
    showSettings();
}

void UpdatesTab::showSettings()
{
    const QSignalBlocker checks(m_checks);
    const QSignalBlocker downloads(m_downloads);
    m_checks->setChecked(m_settings.automaticallyChecks());
    m_downloads->setChecked(m_settings.automaticallyDownloads());
    m_downloads->setEnabled(m_checks->isChecked());  // downloads follow scheduled checks
}
