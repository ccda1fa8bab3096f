#include "app/AppDelegate.h"

#include "app/AppRoot.h"
#include "app/ApplicationRestart.h"
#include "app/CaptureService.h"
#include "app/DiagnosticsCollector.h"
#include "app/RemoteControl.h"
#include "app/SettingsLauncher.h"
#include "app/ToggleCaptureShortcut.h"
#include "app/search/SearchComponent.h"
#if MOMENTRA_SELF_UPDATE
#include "app/updates/UpdateComponent.h"
#endif
#include "core/Notifier.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/search/IndexFirstSearch.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/timelapse/TimelapseExportController.h"
#include "momentra/BuildInfo.h"
#include "ui/PermissionAlert.h"
#include "ui/onboarding/OnboardingWindow.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <QTimeZone>
#include <QUrl>
#include <QWidget>

AppDelegate::AppDelegate(AppRoot& root, QObject* parent)
    : QObject(parent)
    , m_root(root)
{
}

AppDelegate::~AppDelegate() = default;

QString AppDelegate::versionWithBuild()
{
    return QStringLiteral(MOMENTRA_VERSION " (" MOMENTRA_BUILD ")");
}

AppDelegate::Launch AppDelegate::launch()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (RemoteControl::askRunningToReopen(bus))
        return Launch::HandedOver;

    m_root.setLaunchDate(QDateTime::currentDateTime());  // diagnostics measure uptime from here
    logLaunchLine();
#if MOMENTRA_SELF_UPDATE
    m_root.updates().start();
#endif
    auto created = m_root.createCaptureService();  // configures cleanup from the settings
    if (!created) {
        m_failure = created.error();
        return Launch::Failed;
    }
    m_service = std::move(created).value();
    m_remote = std::make_unique<RemoteControl>(*m_service, bus);
    connect(m_remote.get(), &RemoteControl::reopenRequested, this, &AppDelegate::reopen);
    m_remote->setDiagnostics(
        [this](int days, int lines) { return DiagnosticsCollector::collect(m_root, m_service.get(), days, lines); });
    if (m_remote->registerOnBus() == RemoteControl::Registration::AlreadyRunning) {
        // Another one claimed the name while this one was starting.
        m_service.reset();
        RemoteControl::askRunningToReopen(bus);
        return Launch::HandedOver;
    }
    // The search window and the desktop's search; the desktop's search service, started before this
    // instance, leaves the search's name to it.
    m_search = std::make_unique<SearchComponent>(m_root.screenshotSearch(), m_root.codec());
    m_search->exportOn(bus, SearchComponent::Claim::Keeping);
    connect(m_remote.get(), &RemoteControl::searchRequested, this,
            [this](const QStringList& terms) { showSearch(terms.join(QLatin1Char(' '))); });
    ToggleCaptureShortcut::install([this] { toggleCapture(); }, m_root.shortcuts(), m_root.connectGlobalShortcuts());
    installEngineCallbacks();
    watchSessionEnd();
    return Launch::Running;
}

// Called by the host once the tray and the panel exist.
void AppDelegate::finishLaunch()
{
    if (!m_root.preferences().hasCompletedOnboarding())
        showOnboarding();
    else if (!hasPermission())
        showPermissionAlert();
    restoreCapturingIfNeeded();
}

void AppDelegate::logLaunchLine()
{
    const QString system = QSysInfo::prettyProductName() + QStringLiteral(", ") + QSysInfo::kernelType()
                           + QLatin1Char(' ') + QSysInfo::kernelVersion();
    m_root.log().log(QStringLiteral("Launched %1, %2, time zone %3, Screen Recording %4")
                         .arg(versionWithBuild(), system, QString::fromUtf8(QTimeZone::systemTimeZoneId()),
                              hasPermission() ? QStringLiteral("on") : QStringLiteral("off")),
                     EventLog::kApp);
}

bool AppDelegate::hasPermission() const
{
    return m_root.capturePermission().isGranted();
}

void AppDelegate::installEngineCallbacks()
{
    // Display ordinals and capture days are stored by the capture service;
    // whether capture runs is the application's, so that it resumes after a restart.
    Preferences& preferences = m_root.preferences();
    m_service->engine().onCapturingChanged = [&preferences](bool capturing) { preferences.setWasCapturing(capturing); };
}

// Logging out ends the session manager's clients through commitData; a
// shutdown without a session manager is announced by logind.
void AppDelegate::watchSessionEnd()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { quit(); });
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                         QStringLiteral("/org/freedesktop/login1"),
                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                         QStringLiteral("PrepareForShutdown"), this, SLOT(prepareForShutdown(bool)));
}

void AppDelegate::prepareForShutdown(bool starting)
{
    if (starting)
        quit();
}

void AppDelegate::toggleCapture()
{
    m_service->toggle();
}

void AppDelegate::restoreCapturingIfNeeded()
{
    const Preferences& preferences = m_root.preferences();
    if (preferences.wasCapturing() && preferences.hasCompletedOnboarding() && hasPermission()
        && !m_service->engine().isCapturing())
        m_service->start();
}

void AppDelegate::showOnboarding()
{
    m_isFinishingOnboarding = false;
    if (!m_onboarding) {
        OnboardingWindow::Actions actions;
        actions.finish = [this] { finishOnboarding(); };
        actions.restart = [this] { ApplicationRestart::restart([this] { quit(); }); };
        // No desktop has a page for an unsandboxed application's consent: the link stays hidden.
        m_onboarding = std::make_unique<OnboardingWindow>(m_root.preferences(), m_root.capturePermission(),
                                                          m_root.loginItems(), std::move(actions));
        connect(m_onboarding.get(), &OnboardingWindow::closed, this, &AppDelegate::finishOnboarding);
    }
    // Shown in the taskbar while it is open, like any window that needs the user.
    centerOnMouseScreen(*m_onboarding);
    m_onboarding->show();
    m_onboarding->raise();
    m_onboarding->activateWindow();
}

void AppDelegate::finishOnboarding()
{
    // Quitting closes the window too, but a quit is not an answer: the next launch reopens it.
    if (m_isFinishingOnboarding || m_hasQuit)
        return;
    m_isFinishingOnboarding = true;
    if (m_onboarding) {
        // Closing emits closed() once more, which the guard above absorbs.
        m_onboarding->close();
        m_onboarding.release()->deleteLater();
    }
    m_root.preferences().setHasCompletedOnboarding(true);
}

void AppDelegate::showPermissionAlert()
{
    m_root.log().logError(QStringLiteral("Screen Recording permission is off; capture stays stopped"), EventLog::kApp);
    PermissionAlert::show({});
}

void AppDelegate::exportToday()
{
    const Preferences& preferences = m_root.preferences();
    const QString day =
        QDir(preferences.folderPath()).filePath(LibraryLayout::dayFolderName(QDateTime::currentDateTime()));
    const int fps = preferences.timelapseFPS() <= 0 ? 12 : preferences.timelapseFPS();
    m_root.timelapseExports().exportDays({QUrl::fromLocalFile(day)}, fps);
    openSettings(QStringLiteral("timelapse"));
}

void AppDelegate::showSearch(const QString& terms)
{
    m_search->openWindow(terms);
}

void AppDelegate::openSettings(const QString& tab)
{
    if (!m_settings)
        m_settings = std::make_unique<SettingsLauncher>(m_root, m_service.get());
    m_settings->open(tab);
}

void AppDelegate::reopen()
{
    Q_EMIT reopenRequested();
}

void AppDelegate::quit()
{
    if (m_hasQuit)
        return;
    m_hasQuit = true;
    if (m_service)
        m_service->cleanup().flushSweepLog();
    m_root.log().log(QStringLiteral("Quit"), EventLog::kApp);
    m_root.log().flush();
    QCoreApplication::quit();
}

void AppDelegate::centerOnMouseScreen(QWidget& window)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}
