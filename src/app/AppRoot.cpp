#include "app/AppRoot.h"

#include "app/CaptureService.h"
#include "app/FileManagerReveal.h"
#include "app/ToggleCaptureShortcut.h"
#if MOMENTRA_SELF_UPDATE
#include "app/updates/UpdateComponent.h"
#endif
#include "core/log/EventLog.h"
#include "core/search/AttributeScanSearch.h"
#include "core/search/IndexFirstSearch.h"
#include "core/search/SearchIndex.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/LaunchAtLogin.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/textsearch/LiveTextReader.h"
#include "core/textsearch/TextSearchController.h"
#include "core/timelapse/TimelapseExportController.h"
#include "media/LazyTextRecognizer.h"
#include "media/TimelapseExporterFactory.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/ScreenSourceFactory.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/linux/autostart/BackgroundPortalItems.h"
#include "platform/linux/autostart/XdgAutostartItems.h"
#include "platform/linux/shortcuts/GnomeCustomKeybinding.h"
#include "platform/linux/shortcuts/KGlobalAccelHotKeyService.h"
#include "platform/linux/shortcuts/PortalHotKeyService.h"
#include "platform/linux/shortcuts/ShortcutNotation.h"
#include "platform/linux/shortcuts/SwayBindingLine.h"

#include <QCoreApplication>
#include <QDBusConnection>

AppRoot::Locations AppRoot::Locations::standard()
{
    return {DefaultsStore::standardPath(), EventLog::defaultFolder()};
}

AppRoot::AppRoot(Locations locations)
    : m_locations(std::move(locations))
{
}

AppRoot::~AppRoot()
{
    if (m_log)
        m_log->flush();
}

EventLog& AppRoot::log()
{
    if (!m_log)
        m_log = std::make_unique<EventLog>(m_locations.logFolder);
    return *m_log;
}

DefaultsStore& AppRoot::defaults()
{
    if (!m_defaults)
        m_defaults = std::make_unique<DefaultsStore>(m_locations.settingsFile, log());
    return *m_defaults;
}

Preferences& AppRoot::preferences()
{
    if (!m_preferences)
        m_preferences = std::make_unique<Preferences>(defaults());
    return *m_preferences;
}

ImageCodec& AppRoot::codec()
{
    if (!m_codec)
        m_codec = std::make_unique<MediaImageCodec>();
    return *m_codec;
}

// Tesseract is loaded on the first read, so this costs nothing until text is read.
std::shared_ptr<TextRecognizer> AppRoot::recognizer()
{
    if (!m_recognizer)
        m_recognizer = std::make_shared<LazyTextRecognizer>();
    return m_recognizer;
}

LiveTextReader& AppRoot::liveTextReader()
{
    if (!m_liveTextReader) {
        m_liveTextReader = std::make_unique<LiveTextReader>(LiveTextReader::recognizeWith(recognizer()), log());
        m_liveTextReader->setStoredTextSink(&searchIndex());
    }
    return *m_liveTextReader;
}

SearchIndex& AppRoot::searchIndex()
{
    if (!m_searchIndex)
        m_searchIndex = std::make_unique<SearchIndex>(SearchIndex::standardPath(), log());
    return *m_searchIndex;
}

std::shared_ptr<Trash> AppRoot::trash()
{
    if (!m_trash)
        m_trash = std::make_shared<FreedesktopTrash>();
    return m_trash;
}

std::shared_ptr<const TimelapseExporter> AppRoot::timelapseExporter()
{
    if (!m_timelapseExporter)
        m_timelapseExporter = TimelapseExporterFactory::create();
    return m_timelapseExporter;
}

TextSearchController& AppRoot::textSearch()
{
    if (!m_textSearch)
        m_textSearch = std::make_unique<TextSearchController>(
            BulkTextReader::Tools{&codec(), recognizer().get(), 0, &searchIndex()}, log());
    return *m_textSearch;
}

TimelapseExportController& AppRoot::timelapseExports()
{
    if (!m_timelapseExports) {
        m_timelapseExports = std::make_unique<TimelapseExportController>(timelapseExporter(), log());
        m_timelapseExports->setRevealer(&FileManagerReveal::show);
    }
    return *m_timelapseExports;
}

IndexFirstSearch& AppRoot::screenshotSearch()
{
    if (!m_screenshotSearch) {
        // The scan follows the folder setting; the index answers only for the folder it was built for.
        m_attributeScanSearch = std::make_unique<AttributeScanSearch>(preferences().folderPath());
        QObject::connect(&preferences(), &Preferences::changed, &preferences(), [this](const QString& key) {
            if (key == QLatin1String("folderPath"))
                m_attributeScanSearch->setFolder(preferences().folderPath());
        });
        m_screenshotSearch = std::make_unique<IndexFirstSearch>(searchIndex(), *m_attributeScanSearch);
    }
    return *m_screenshotSearch;
}

SessionProbe& AppRoot::sessionProbe()
{
    if (!m_sessionProbe)
        m_sessionProbe = std::make_unique<SessionProbe>(QDBusConnection::sessionBus());
    return *m_sessionProbe;
}

const CaptureBackend::Choice& AppRoot::captureBackend()
{
    if (!m_captureBackend) {
        m_captureBackend = CaptureBackend::choose(CaptureBackend::probe(sessionProbe()));
        // Without a backend the sentence is the error of whatever asks for the screen.
        if (m_captureBackend->kind != CaptureBackend::Kind::None)
            log().log(m_captureBackend->sentence, EventLog::kEngine);
    }
    return *m_captureBackend;
}

ScreenCapturePermission& AppRoot::capturePermission()
{
    if (!m_capturePermission)
        m_capturePermission = ::createCapturePermission(captureBackend(), log());
    return *m_capturePermission;
}

const GateSources::Choice& AppRoot::gateSources()
{
    if (!m_gateSources)
        m_gateSources = GateSources::choose(GateSources::probe(sessionProbe(), QDBusConnection::systemBus()));
    return *m_gateSources;
}

HotKeyCenter& AppRoot::hotKeys()
{
    if (!m_hotKeys)
        m_hotKeys = std::make_unique<HotKeyCenter>();
    return *m_hotKeys;
}

ShortcutRegistry& AppRoot::shortcuts()
{
    if (!m_shortcuts)
        m_shortcuts = std::make_unique<ShortcutRegistry>(preferences(), hotKeys(), log());
    return *m_shortcuts;
}

LoginItems& AppRoot::loginItems()
{
    if (!m_loginItems) {
        if (BackgroundPortalItems::isSandboxed())
            m_loginItems = std::make_unique<BackgroundPortalItems>(QDBusConnection::sessionBus(),
                                                                   BackgroundPortalItems::standardRecordPath());
        else
            m_loginItems = std::make_unique<XdgAutostartItems>();
    }
    return *m_loginItems;
}

LaunchAtLogin& AppRoot::launchAtLogin()
{
    if (!m_launchAtLogin)
        m_launchAtLogin = std::make_unique<LaunchAtLogin>(loginItems(), log());
    return *m_launchAtLogin;
}

#if MOMENTRA_SELF_UPDATE
UpdateComponent& AppRoot::updates()
{
    if (!m_updates)
        m_updates = std::make_unique<UpdateComponent>(log());
    return *m_updates;
}
#endif

const GlobalShortcutBackend::Choice& AppRoot::globalShortcutBackend()
{
    if (!m_globalShortcutBackend) {
        m_globalShortcutBackend = GlobalShortcutBackend::choose(GlobalShortcutBackend::probe(sessionProbe()));
        log().log(m_globalShortcutBackend->sentence, EventLog::kApp);
    }
    return *m_globalShortcutBackend;
}

DesktopKeyBinding* AppRoot::desktopKeyBinding()
{
    if (m_desktopKeyBinding)
        return m_desktopKeyBinding.get();
    // An AppImage runs from a mount that is gone next time: the image itself is the program.
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    const QString command = ShortcutNotation::toggleCommand(appImage.isEmpty() ? QCoreApplication::applicationFilePath()
                                                                               : appImage);
    switch (globalShortcutBackend().mechanism) {
    case GlobalShortcutMechanism::gnomeKeyboardSettings:
        m_desktopKeyBinding = std::make_unique<GnomeCustomKeybinding>(command);
        break;
    case GlobalShortcutMechanism::swayConfiguration:
        m_desktopKeyBinding = std::make_unique<SwayBindingLine>(command);
        break;
    default:
        break;
    }
    if (m_desktopKeyBinding)
        m_desktopKeyBinding->follow(shortcuts(), ToggleCaptureShortcut::name());
    return m_desktopKeyBinding.get();
}

Result<void> AppRoot::connectGlobalShortcuts()
{
    if (m_globalShortcuts)
        return *m_globalShortcuts;
    m_globalShortcuts = Result<void>::success();
    switch (globalShortcutBackend().mechanism) {
    case GlobalShortcutMechanism::x11KeyGrab:
        if (auto connected = X11HotKeyService::connect(log())) {
            m_hotKeyService = std::move(connected).value();
        } else {
            log().log(QStringLiteral("Global shortcut unavailable: %1").arg(connected.error()), EventLog::kApp);
            m_globalShortcuts = Result<void>::failure(connected.error());
        }
        break;
    case GlobalShortcutMechanism::desktopPortal:
        m_hotKeyService = std::make_shared<PortalHotKeyService>(QDBusConnection::sessionBus(), log());
        break;
    case GlobalShortcutMechanism::kdeGlobalShortcuts:
        m_hotKeyService = std::make_shared<KGlobalAccelHotKeyService>(QDBusConnection::sessionBus(), log());
        break;
    case GlobalShortcutMechanism::gnomeKeyboardSettings:
    case GlobalShortcutMechanism::swayConfiguration:
        desktopKeyBinding();  // follows the recorder from now on
        m_globalShortcuts = Result<void>::failure(
            QObject::tr("This desktop runs \u201cmomentra toggle\u201d from a shortcut in its own settings."));
        break;
    case GlobalShortcutMechanism::none:
        m_globalShortcuts = Result<void>::failure(QObject::tr("Global shortcuts are not available on this desktop."));
        break;
    }
    if (m_hotKeyService)
        hotKeys().setService(m_hotKeyService.get());
    return *m_globalShortcuts;
}

Result<std::unique_ptr<ScreenSource>> AppRoot::createScreenSource()
{
    return ::createScreenSource(captureBackend(), log());
}

Notifier& AppRoot::notifier()
{
    if (!m_notifier)
        m_notifier = std::make_unique<DesktopNotifier>(QDBusConnection::sessionBus());
    return *m_notifier;
}

Result<std::unique_ptr<CaptureService>> AppRoot::createCaptureService()
{
    using R = Result<std::unique_ptr<CaptureService>>;
    auto source = createScreenSource();
    if (!source)
        return R::failure(source.error());
    const CaptureConfiguration configuration = preferences().captureConfiguration();
    for (const QString& line :
         CaptureBackend::unkeptSettings(captureBackend().kind, int(configuration.excludedAppIds.size()),
                                        configuration.hidesNotifications, configuration.hidesDesktopIcons))
        log().log(line, EventLog::kEngine);
    CaptureService::Services services{
        std::move(source).value(),
        std::make_unique<LinuxSessionState>(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), log(),
                                            gateSources()),
        codec(),
        &liveTextReader(),
        notifier(),
        trash(),
        capturePermission(),
        &searchIndex(),
    };
    return R(std::make_unique<CaptureService>(std::move(services), preferences(), log()));
}
