#include "app/SettingsLauncher.h"

#include "app/AppRoot.h"
#include "app/CaptureService.h"
#include "app/DiagnosticsCollector.h"
#include "app/FileManagerReveal.h"
#include "app/ToggleCaptureShortcut.h"
#include "core/capture/ScreenCapturePermission.h"
#if MOMENTRA_SELF_UPDATE
#include "app/updates/UpdateComponent.h"
#endif
#include "core/capture/ScreenSource.h"
#include "core/cleanup/CleanupController.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "platform/linux/x11/X11WindowPicker.h"
#include "ui/settings/SettingsWindow.h"

#include <QGuiApplication>

SettingsLauncher::SettingsLauncher(AppRoot& root, CaptureService* service)
    : m_root(root)
    , m_service(service)
{
}

SettingsLauncher::~SettingsLauncher() = default;

SettingsContext SettingsLauncher::context()
{
    SettingsContext context{m_root.preferences(), m_root.log(), m_root.shortcuts(), ToggleCaptureShortcut::name()};
    if (m_service) {
        context.engine = &m_service->engine();
        context.cleanup = &m_service->cleanup();
    } else {
        // Alone, the window still deletes all screenshots; the engine that
        // sweeps, if one runs, follows the settings file.
        if (!m_cleanup)
            m_cleanup = std::make_unique<CleanupController>(m_root.trash(), m_root.log());
        context.cleanup = m_cleanup.get();
    }
    context.textSearch = &m_root.textSearch();
    context.timelapse = &m_root.timelapseExports();
    context.launchAtLogin = &m_root.launchAtLogin();
    context.shortcutMechanism = m_root.globalShortcutBackend().mechanism;
    context.desktopKeyBinding = m_root.desktopKeyBinding();
    context.displays = [this] { return connectedDisplays(); };
    context.revealInFileManager = &FileManagerReveal::show;
    context.diagnostics = [this] { return DiagnosticsCollector::collect(m_root, m_service); };
    // Only an X11 session lets a program see and grab every window.
    if (!m_windowPicker && QGuiApplication::platformName() == QLatin1String("xcb"))
        m_windowPicker = std::make_unique<X11WindowPicker>();
    context.windowPicker = m_windowPicker.get();
    context.frontAppUnavailable = m_root.gateSources().frontAppUnavailable;
#if MOMENTRA_SELF_UPDATE
    context.updateSettings = &m_root.updates().settings();
    context.checkForUpdates = [this] { m_root.updates().checkNow(); };
#endif
    return context;
}

bool SettingsLauncher::open(const QString& tab)
{
    if (!m_window)
        m_window = std::make_unique<SettingsWindow>(context());
    if (!tab.isEmpty() && !m_window->showTab(tab))
        return false;
    m_window->present();
    return true;
}

// A source of its own: the capture service's is busy on its worker thread.
QList<ChosenDisplay> SettingsLauncher::connectedDisplays()
{
    if (!m_root.capturePermission().isGranted())
        return {};  // listing them would ask the user to share the screen
    if (!m_displaySource) {
        auto created = m_root.createScreenSource();
        if (!created) {
            m_root.log().logError(QStringLiteral("Can't list the displays: ") + created.error(), EventLog::kApp);
            return {};
        }
        m_displaySource = std::move(created).value();
    }
    const Result<ShareableContent> content = m_displaySource->content();
    if (!content) {
        m_root.log().logError(QStringLiteral("Can't list the displays: ") + content.error(), EventLog::kApp);
        return {};
    }
    QList<LibraryLayout::DisplayRankInput> ranks;
    for (const DisplayInfo& display : content->displays)
        ranks.append({display.isBuiltIn, display.isMain});
    QList<ChosenDisplay> displays;
    for (int index : LibraryLayout::orderDisplays(ranks)) {
        const DisplayInfo& display = content->displays.at(index);
        displays.append({LibraryLayout::displayIdentity(display.facts), display.name});
    }
    return displays;
}
