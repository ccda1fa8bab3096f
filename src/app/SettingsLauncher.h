#pragma once

#include "ui/settings/SettingsContext.h"

#include <QString>

#include <memory>

class AppRoot;
class CaptureService;
class CleanupController;
class ScreenSource;
class SettingsWindow;
class WindowPicker;

// Opens the settings window over the session's object graph: once, and
// raised again when asked again. Given the running capture service, the
// tabs also reach its engine and cleanup; the text search and the timelapse
// export are the session's, from the root.
class SettingsLauncher
{
public:
    explicit SettingsLauncher(AppRoot& root, CaptureService* service = nullptr);
    ~SettingsLauncher();

    // Shows the window on the named tab (or where it was); false for a name
    // that is no tab.
    bool open(const QString& tab = {});
    SettingsWindow* window() const { return m_window.get(); }
    SettingsContext context();

private:
    QList<ChosenDisplay> connectedDisplays();

    AppRoot& m_root;
    CaptureService* m_service;
    std::unique_ptr<ScreenSource> m_displaySource;  // lists displays; never the one that captures
    std::unique_ptr<WindowPicker> m_windowPicker;   // X11 only
    std::unique_ptr<CleanupController> m_cleanup;   // without a capture service only
    std::unique_ptr<SettingsWindow> m_window;
};
