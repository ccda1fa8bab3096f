#pragma once

#include "ui/settings/SettingsContext.h"

#include <QPointer>
#include <QWidget>

class AppChooserDialog;
class QLabel;
class QListWidget;
class QPushButton;
class SettingsBinder;

// What never appears in screenshots: the windows of excluded applications,
// notifications and desktop icons.
class PrivacySettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit PrivacySettingsTab(const SettingsContext& context, QWidget* parent = nullptr);

    SettingsBinder* binder() const { return m_binder; }
    QListWidget* excludedApps() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* pickButton() const { return m_pick; }  // null where windows can't be picked
    AppChooserDialog* chooser() const;                  // the open chooser, if any
    QLabel* message() const { return m_message; }

    // Appends the ids not yet excluded.
    void exclude(const QStringList& ids);

private:
    void showExcludedApps();
    void openChooser();
    void pickWindow();
    void removeSelected();

    Preferences& m_preferences;
    WindowPicker* m_picker;
    SettingsBinder* m_binder;
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_pick = nullptr;
    QPushButton* m_remove;
    QLabel* m_message;
    QPointer<AppChooserDialog> m_chooser;
};
