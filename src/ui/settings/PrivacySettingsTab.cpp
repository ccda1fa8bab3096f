#include "ui/settings/PrivacySettingsTab.h"

#include "core/WindowPicker.h"
#include "core/settings/Preferences.h"
#include "ui/settings/AppChooserDialog.h"
#include "ui/settings/InstalledApplications.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

PrivacySettingsTab::PrivacySettingsTab(const SettingsContext& context, QWidget* parent)
    : QWidget(parent)
    , m_preferences(context.preferences)
    , m_picker(context.windowPicker)
    , m_binder(new SettingsBinder(context.preferences, this))
    , m_list(new QListWidget)
    , m_add(new QPushButton(SettingsForm::themeIcon(QStringLiteral("list-add")), QStringLiteral("Add Apps…")))
    , m_remove(new QPushButton(SettingsForm::themeIcon(QStringLiteral("list-remove")), QStringLiteral("Remove")))
    , m_message(SettingsForm::helpLabel(QString()))
{
    auto* form = new SettingsForm(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(QSize(16, 16));
    form->addLabelledRow(QStringLiteral("Excluded Apps"), m_list);

    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_add);
    if (m_picker) {
        m_pick = new QPushButton(QStringLiteral("Pick a Window…"));
        row->addWidget(m_pick);
        connect(m_pick, &QPushButton::clicked, this, &PrivacySettingsTab::pickWindow);
    }
    row->addWidget(m_remove);
    row->addStretch();
    form->addFieldRow(buttons);
    form->addFieldRow(m_message);
    m_message->hide();
    form->addHelp(QStringLiteral("Windows from these apps never appear in screenshots, even in the background. "
                                 "While one of them is the active app, the screenshot is skipped."));
    if (!context.frontAppUnavailable.isEmpty()) {
        QLabel* unavailable = form->addHelp(
            QStringLiteral("On this desktop Momentra can't tell which app is active, so screenshots aren't "
                           "skipped for excluded apps: %1.")
                .arg(context.frontAppUnavailable));
        unavailable->setObjectName(QStringLiteral("frontAppUnavailable"));
    }

    form->addFieldRow(m_binder->checkBox(QStringLiteral("Hide notifications"), "hidesNotifications"));
    form->addHelp(QStringLiteral("Notification pop-ups that are windows of their own never appear in screenshots "
                                 "(KDE Plasma, Xfce and most other desktops). GNOME Shell draws notifications "
                                 "inside the shell, so there they can't be hidden. Pop-ups that apps draw "
                                 "themselves still appear."));
    form->addFieldRow(m_binder->checkBox(QStringLiteral("Hide desktop icons"), "hidesDesktopIcons"));
    form->addHelp(QStringLiteral("Files and folders on the desktop never appear in screenshots. Where the desktop "
                                 "draws its wallpaper in the same window as the icons, the wallpaper is left out "
                                 "too."));
    form->addHelp(QStringLiteral("On Wayland the desktop hands over the whole composited screen, so there excluded "
                                 "apps, notifications and desktop icons still appear in screenshots; only the "
                                 "pause while an excluded app is active applies."));

    connect(m_add, &QPushButton::clicked, this, &PrivacySettingsTab::openChooser);
    connect(m_remove, &QPushButton::clicked, this, &PrivacySettingsTab::removeSelected);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::key("excludedBundleIDs"))
            showExcludedApps();
    });
    showExcludedApps();
}

// An application that is no longer installed stays, shown by its id.
void PrivacySettingsTab::showExcludedApps()
{
    m_list->clear();
    for (const QString& id : m_preferences.excludedAppIds()) {
        const auto application = InstalledApplications::find(id);
        auto* item = new QListWidgetItem(application ? application->name : id, m_list);
        if (application)
            item->setIcon(InstalledApplications::icon(application->icon));
        item->setData(Qt::UserRole, id);
        item->setToolTip(id);
    }
    m_remove->setEnabled(false);
}

void PrivacySettingsTab::exclude(const QStringList& ids)
{
    QStringList excluded = m_preferences.excludedAppIds();
    for (const QString& id : ids) {
        if (!id.isEmpty() && !excluded.contains(id))
            excluded << id;
    }
    m_preferences.setExcludedAppIds(excluded);
}

AppChooserDialog* PrivacySettingsTab::chooser() const
{
    return m_chooser;
}

void PrivacySettingsTab::openChooser()
{
    if (m_chooser) {
        m_chooser->raise();
        return;
    }
    m_chooser = new AppChooserDialog(this);
    m_chooser->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_chooser, &QDialog::accepted, this, [this] { exclude(m_chooser->selectedIds()); });
    m_chooser->open();
}

void PrivacySettingsTab::pickWindow()
{
    m_message->hide();
    m_pick->setEnabled(false);
    QPointer<PrivacySettingsTab> self(this);
    m_picker->pick([self](const Result<QString>& picked) {
        if (!self)
            return;
        self->m_pick->setEnabled(true);
        if (!picked) {
            self->m_message->setText(picked.error());
            self->m_message->show();
            return;
        }
        self->exclude({picked.value()});
    });
}

void PrivacySettingsTab::removeSelected()
{
    QStringList excluded = m_preferences.excludedAppIds();
    for (const QListWidgetItem* item : m_list->selectedItems())
        excluded.removeAll(item->data(Qt::UserRole).toString());
    m_preferences.setExcludedAppIds(excluded);
}
