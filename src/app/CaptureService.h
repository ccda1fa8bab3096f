#pragma once

#include "core/FileDescriptor.h"
#include "core/cleanup/CleanupController.h"
#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/LinuxCaptureGates.h"

#include <QObject>
#include <QString>

#include <memory>

class Preferences;
class ScreenSource;

// Everything a running Momentra needs around the capture engine: the screen
// source, codecs, the desktop's gates, sleep and wake from logind (with a
// delay inhibitor while a tick writes), failure notifications, text
// recognition of new screenshots, cleanup of old screenshots into the Trash,
// and the settings that feed them. The tray application and `momentra run`
// both host one.
class CaptureService : public QObject
{
    Q_OBJECT

public:
    CaptureService(std::unique_ptr<ScreenSource> source, Preferences& preferences, QObject* parent = nullptr);
    ~CaptureService() override;

    ScreenshotManager& engine() { return *m_engine; }
    CleanupController& cleanup() { return m_cleanup; }
    LinuxCaptureGates& gates() { return m_gates; }

    // Starts capture with the stored settings and follows their changes.
    void start();
    // Stops a running capture, or starts one with the stored settings
    // (the global shortcut, `momentra toggle`).
    void toggle();

private:
    void installCallbacks();
    void followSleep();
    void holdSleepWhileTicking();
    void configureCleanup();

    Preferences& m_preferences;
    std::unique_ptr<ScreenSource> m_source;
    MediaImageCodec m_codec;
    DisplayCapture m_capture;
    LinuxCaptureGates m_gates;
    DesktopNotifier m_notifier;
    std::unique_ptr<ScreenshotManager> m_engine;
    CleanupController m_cleanup;
    FileDescriptor m_sleepInhibitor;
};
