#pragma once

#include "core/Result.h"
#include "momentra/BuildInfo.h"
#include "platform/linux/CaptureBackend.h"
#include "platform/linux/GateSources.h"
#include "platform/linux/shortcuts/GlobalShortcutBackend.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

class AttributeScanSearch;
class CaptureService;
class DefaultsStore;
class DesktopKeyBinding;
class EventLog;
class HotKeyCenter;
class HotKeyService;
class ImageCodec;
class IndexFirstSearch;
class LaunchAtLogin;
class LiveTextReader;
class LoginItems;
class Notifier;
class Preferences;
class ScreenCapturePermission;
class ScreenSource;
class SessionProbe;
class SearchIndex;
class ShortcutRegistry;
class TextRecognizer;
class TextSearchController;
class TimelapseExportController;
class TimelapseExporter;
class Trash;
class UpdateComponent;

// The one place that builds Momentra's object graph for this session: the
// settings, the event log, the codecs, the text recogniser, the desktop's
// services and the capture service. The tray application and every command
// start from one root and take what they need; each part is made on first
// use, so a command builds no more than it uses. Main thread only.
class AppRoot
{
public:
    // Where the settings file and the event log live.
    struct Locations
    {
        QString settingsFile;  // $XDG_CONFIG_HOME/Momentra/defaults.json
        QString logFolder;     // $XDG_STATE_HOME/Momentra
        static Locations standard();
    };

    explicit AppRoot(Locations locations = Locations::standard());
    ~AppRoot();
    AppRoot(const AppRoot&) = delete;
    AppRoot& operator=(const AppRoot&) = delete;

    // When this session of Momentra began: the moment the root was made,
    // unless the tray application's launch sequence says otherwise.
    QDateTime launchDate() const { return m_launchDate; }
    void setLaunchDate(const QDateTime& date) { m_launchDate = date; }

    EventLog& log();
    DefaultsStore& defaults();
    Preferences& preferences();
    ImageCodec& codec();
    std::shared_ptr<TextRecognizer> recognizer();
    LiveTextReader& liveTextReader();
    // The full-text index of the screenshots' text ($XDG_CACHE_HOME/Momentra/
    // search.sqlite). Making it costs nothing: SQLite is opened by the first
    // change or query.
    SearchIndex& searchIndex();
    std::shared_ptr<Trash> trash();
    std::shared_ptr<const TimelapseExporter> timelapseExporter();
    // The session's one bulk text reader and one timelapse export: a run
    // outlives the window that started it, and every window shows the same.
    TextSearchController& textSearch();
    TimelapseExportController& timelapseExports();
    // Finding screenshots by their text, for the search window, the desktop's
    // search and `momentra search`: the index, or the files while it is missing.
    IndexFirstSearch& screenshotSearch();
    // What the session offers (environment, compositor, session bus), asked
    // once for the choices below.
    SessionProbe& sessionProbe();
    // The session's capture service, chosen (and logged) once: wlroots
    // screen copy or the screen-cast portal on Wayland, else X11.
    const CaptureBackend::Choice& captureBackend();
    ScreenCapturePermission& capturePermission();
    // Where the idle and excluded-app gates get their answers in this
    // session, probed once; the capture service logs it when it starts.
    const GateSources::Choice& gateSources();
    Notifier& notifier();
    HotKeyCenter& hotKeys();
    ShortcutRegistry& shortcuts();
    // Launch at login: the Background portal inside a Flatpak sandbox, an
    // XDG autostart entry everywhere else.
    LoginItems& loginItems();
    LaunchAtLogin& launchAtLogin();
#if MOMENTRA_SELF_UPDATE
    // The update component: its switches, scheduled checks and the answer window.
    UpdateComponent& updates();
#endif

    // The screen of this session, or why there is none.
    Result<std::unique_ptr<ScreenSource>> createScreenSource();
    // The capture engine with everything around it, for `momentra run` and
    // the tray application.
    Result<std::unique_ptr<CaptureService>> createCaptureService();
    // How the global shortcut reaches this session's desktop, chosen (and
    // logged) once: a key grab, the portal or kglobalaccel, or a binding in
    // the desktop's own settings.
    const GlobalShortcutBackend::Choice& globalShortcutBackend();
    // That binding in the desktop's settings (GNOME, sway); null where the
    // shortcut reaches Momentra itself, or nothing does.
    DesktopKeyBinding* desktopKeyBinding();
    // Connects the hot-key centre to the desktop's global shortcuts (once);
    // the error says why this desktop has none.
    Result<void> connectGlobalShortcuts();

private:
    // Declared in the order they may depend on each other: the log goes last.
    Locations m_locations;
    QDateTime m_launchDate = QDateTime::currentDateTime();
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<DefaultsStore> m_defaults;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<ImageCodec> m_codec;
    std::shared_ptr<TextRecognizer> m_recognizer;
    std::unique_ptr<SearchIndex> m_searchIndex;  // outlives the readers that tell it of new text
    std::unique_ptr<LiveTextReader> m_liveTextReader;
    std::shared_ptr<Trash> m_trash;
    std::shared_ptr<const TimelapseExporter> m_timelapseExporter;
    std::unique_ptr<SessionProbe> m_sessionProbe;
    std::optional<CaptureBackend::Choice> m_captureBackend;
    std::unique_ptr<ScreenCapturePermission> m_capturePermission;
    std::optional<GateSources::Choice> m_gateSources;
    std::unique_ptr<Notifier> m_notifier;
    std::optional<GlobalShortcutBackend::Choice> m_globalShortcutBackend;
    std::shared_ptr<HotKeyService> m_hotKeyService;
    std::unique_ptr<DesktopKeyBinding> m_desktopKeyBinding;
    std::unique_ptr<HotKeyCenter> m_hotKeys;
    std::unique_ptr<ShortcutRegistry> m_shortcuts;
    std::optional<Result<void>> m_globalShortcuts;
    std::unique_ptr<LoginItems> m_loginItems;
    std::unique_ptr<LaunchAtLogin> m_launchAtLogin;
    std::unique_ptr<TextSearchController> m_textSearch;  // stops its run before the codec and recogniser go
    std::unique_ptr<TimelapseExportController> m_timelapseExports;
    std::unique_ptr<AttributeScanSearch> m_attributeScanSearch;
    std::unique_ptr<IndexFirstSearch> m_screenshotSearch;
#if MOMENTRA_SELF_UPDATE
    std::unique_ptr<UpdateComponent> m_updates;
#endif
};
