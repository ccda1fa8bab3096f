#pragma once

#include "core/capture/ChosenDisplay.h"
#include "core/shortcuts/GlobalShortcutMechanism.h"
#include "core/shortcuts/Name.h"

#include <QList>
#include <QUrl>

#include <functional>

class CleanupController;
class DesktopKeyBinding;
class EventLog;
class LaunchAtLogin;
class Preferences;
class ScreenshotManager;
class ShortcutRegistry;
class TextSearchController;
class TimelapseExportController;
class UpdateSettings;
class WindowPicker;

// What the settings tabs work with, handed to every tab's factory. The
// references are always there; a pointer is null where this process has no
// such part (the window opened alone has no running engine), and the tabs
// leave out what needs it.
struct SettingsContext
{
    Preferences& preferences;
    EventLog& log;
    ShortcutRegistry& shortcuts;
    KeyboardShortcuts::Name toggleCaptureShortcut;  // the start/stop shortcut
    ScreenshotManager* engine = nullptr;
    CleanupController* cleanup = nullptr;
    TextSearchController* textSearch = nullptr;
    TimelapseExportController* timelapse = nullptr;
    LaunchAtLogin* launchAtLogin = nullptr;
    WindowPicker* windowPicker = nullptr;  // lets the user click a window to name its application
    // Why capture cannot pause while an excluded app is active on this desktop; empty where it can.
    QString frontAppUnavailable;
    UpdateSettings* updateSettings = nullptr;  // builds without the update component have none
    std::function<void()> checkForUpdates;     // opens the answer window of a check
    // The displays connected now, in capture order, each by its identity and name.
    std::function<QList<ChosenDisplay>()> displays;
    // Shows files selected in the desktop's file manager; empty: the tabs open the folder.
    std::function<void(const QList<QUrl>&)> revealInFileManager;
    // The support report with the last 7 days of the log, 500 lines at most.
    std::function<QString()> diagnostics;
    // How the start/stop shortcut reaches the desktop, and where the desktop keeps it in its own settings.
    GlobalShortcutMechanism shortcutMechanism = GlobalShortcutMechanism::none;
    DesktopKeyBinding* desktopKeyBinding = nullptr;
};
