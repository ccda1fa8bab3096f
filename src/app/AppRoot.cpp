#include "app/AppRoot.h"

#include "app/CaptureService.h"
#include "app/FileManagerReveal.h"
#if MOMENTRA_SELF_UPDATE
#include "app/updates/UpdateComponent.h"
#endif
#include "core/log/EventLog.h"
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
#include "platform/linux/X11HotKeyService.h"
#include "platform/linux/autostart/BackgroundPortalItems.h"
#include "platform/linux/autostart/XdgAutostartItems.h"

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

ScreenshotSearch& AppRoot::screenshotSearch()
{
    return searchIndex();
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

const CaptureBackend::Choice& AppRoot::captureBackend()
{
    if (!m_captureBackend) {
        m_captureBackend = CaptureBackend::choose(CaptureBackend::probe());
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

Result<void> AppRoot::connectGlobalShortcuts()
{
    if (m_globalShortcuts)
        return *m_globalShortcuts;
    auto connected = X11HotKeyService::connect(log());
    if (!connected) {
        m_globalShortcuts = Result<void>::failure(connected.error());
        return *m_globalShortcuts;
    }
    m_hotKeyService = std::move(connected).value();
    hotKeys().setService(m_hotKeyService.get());
    m_globalShortcuts = Result<void>::success();
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
        std::make_unique<LinuxSessionState>(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), log()),
        codec(),
        &liveTextReader(),
        notifier(),
        trash(),
        capturePermission(),
        &searchIndex(),
    };
    return R(std::make_unique<CaptureService>(std::move(services), preferences(), log()));
}
