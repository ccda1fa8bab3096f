#pragma once

#include <QDialog>
#include <QFutureWatcher>

#include <functional>

class LoginItems;
class Preferences;
class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class ScreenCapturePermission;

// The first-run window: a welcome page that offers to start Momentra at
// login, then a permission page that obtains the desktop's consent to
// capture the screen. Leaving the welcome page is remembered
// (hasSeenOnboardingWelcome), so a restart reopens on the permission page.
// One primary button, the default (Return), does what the page needs.
// Closing the window counts as finishing it: the owner connects closed()
// and the "Done" action to the same guarded finish step (closing the
// window from there emits closed() once more). Escape does nothing, as in
// any ordinary window: a stray key must not end the first run.
class OnboardingWindow : public QDialog
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void()> finish;        // "Done"; required
        std::function<void()> restart;       // "Restart Momentra", so that the consent takes effect; required
        std::function<void()> openSettings;  // the desktop's page for the consent; none hides the link
    };

    static constexpr QSize kSize{420, 450};
    static constexpr int kIconSize = 80;
    static constexpr int kPrimaryMinimumWidth = 200;

    OnboardingWindow(Preferences& preferences, ScreenCapturePermission& permission, LoginItems& loginItems,
                     Actions actions, QWidget* parent = nullptr);

    // Reads the consent anew; done whenever a window of Momentra becomes active,
    // so coming back from the desktop's settings updates the page.
    void refreshPermission();

    void reject() override;

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Page { Welcome, Permission };

    QWidget* buildWelcomePage();
    QWidget* buildPermissionPage();
    void primaryAction();
    void leaveWelcome();
    void welcomeLeft();
    void requestPermission();
    void updateContent();
    QString primaryTitle() const;

    Preferences& m_preferences;
    ScreenCapturePermission& m_permission;
    LoginItems& m_loginItems;
    Actions m_actions;

    Page m_page;
    bool m_working = false;
    bool m_hasPermission;
    bool m_didRequestPermission = false;
    QFutureWatcher<void> m_registration;

    QStackedWidget* m_pages;
    QCheckBox* m_startAtLogin;
    QWidget* m_granted;
    QLabel* m_hint;
    QPushButton* m_settingsLink;
    QPushButton* m_primary;
};
