#pragma once

#include "core/capture/ScreenSource.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class ScreenshotManager;

// What the diagnostics report says beyond the settings and the folder: the
// build, the machine, the desktop's services and the capture engine's live
// state. Gathered by the application; a test fills it in by hand.
struct DiagnosticsFacts
{
    QString version;          // "0.1.0 (abc1234)"
    QString deviceModel;      // the DMI product name, or "unknown"
    QString architecture;     // "x86_64"
    QString operatingSystem;  // "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64"
    QString session;          // "X11, GNOME"
    QString idleSource;       // where the idle gate's answers come from: "org_kde_kwin_idle"
    QString frontAppSource;   // where the excluded-app gate's come from: "zwlr_foreign_toplevel_manager_v1"
    QString globalShortcut;   // how the start/stop shortcut reaches the desktop: "desktop portal"
    qint64 uptimeSeconds = 0;
    bool hasCapturePermission = false;
    bool launchesAtLogin = false;  // the desktop's login item is enabled

    bool isCapturing = false;
    std::optional<QDateTime> lastCaptureAt;
    std::optional<QDateTime> nextCaptureAt;
    int todayCount = 0;
    std::optional<QString> lastError;
    std::optional<qint64> lowSpaceFreeBytes;  // held for low disk space, with the free bytes measured

    QList<DisplayInfo> displays;  // active displays in the screen source's order

    // Copies the engine's live state into the fields above.
    void takeEngineState(const ScreenshotManager& engine);
};
