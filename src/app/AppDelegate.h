#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <memory>

class AppRoot;
class CaptureService;
class OnboardingWindow;
class RemoteControl;
class SearchComponent;
class SettingsLauncher;
class QWidget;

// The tray application's life: the launch sequence, the engine's callbacks,
// restoring capture after a restart, the actions the tray and the panel
// offer, the windows that come and go, and quitting. Main thread only.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(AppRoot& root, QObject* parent = nullptr);
    ~AppDelegate() override;

    enum class Launch {
        Running,     // this process is the session's Momentra now
        HandedOver,  // another one runs; it was asked to show itself
        Failed,      // nothing runs: failureMessage() says why
    };
    // The launch sequence up to the windows, in order: the launch line,
    // cleanup, the shortcut's key-up action, the engine's callbacks. A
    // second `momentra` asks the running one to show itself instead.
    Launch launch();
    // The rest of the launch, once the tray and the panel exist: onboarding
    // or the permission alert, then capture restored.
    void finishLaunch();
    QString failureMessage() const { return m_failure; }

    // Stops running capture, else starts it with the stored settings.
    void toggleCapture();
    // Starts capture when it ran at the last quit, onboarding is complete
    // and the desktop allows capture.
    void restoreCapturingIfNeeded();
    void showOnboarding();
    void finishOnboarding();
    void showPermissionAlert();
    // Exports today's screenshots as a timelapse and shows its progress in
    // the settings window's Timelapse tab.
    void exportToday();
    // The search window, searching for the terms when there are any.
    void showSearch(const QString& terms = {});
    // The settings window, on the named tab or where it was.
    void openSettings(const QString& tab = {});
    // A second `momentra` in the session, or the desktop's launcher again.
    void reopen();
    // Flushes the cleanup summary, logs "Quit", flushes the log and leaves
    // the event loop; capture is not stopped, so it resumes at the next
    // launch. Runs once, however often it is asked.
    void quit();

    // Centres the window on the screen that holds the pointer.
    static void centerOnMouseScreen(QWidget& window);
    // "0.1.0 (abc1234)"
    static QString versionWithBuild();

    CaptureService& service() { return *m_service; }

Q_SIGNALS:
    void reopenRequested();

private Q_SLOTS:
    void prepareForShutdown(bool starting);

private:
    void logLaunchLine();
    void installEngineCallbacks();
    void watchSessionEnd();
    bool hasPermission() const;

    AppRoot& m_root;
    std::unique_ptr<CaptureService> m_service;
    std::unique_ptr<RemoteControl> m_remote;
    std::unique_ptr<SearchComponent> m_search;
    std::unique_ptr<OnboardingWindow> m_onboarding;
    std::unique_ptr<SettingsLauncher> m_settings;
    bool m_isFinishingOnboarding = false;
    bool m_hasQuit = false;
    QString m_failure;
};
