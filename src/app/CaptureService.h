#pragma once

#include "core/FileDescriptor.h"
#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "core/cleanup/CleanupController.h"

#include <QObject>

#include <memory>

class EventLog;
class ImageCodec;
class LiveTextSink;
class Notifier;
class Preferences;
class ScreenCapturePermission;
class ScreenSource;
class SearchIndex;
class SessionState;
class Trash;

// Everything a running Momentra needs around the capture engine: the screen
// source, the session's gates, sleep and wake (with sleep held off while a
// tick writes), failure notifications, text recognition of new
// screenshots, cleanup of old screenshots, and the settings that feed them.
// The tray application and `momentra run` both host one.
class CaptureService : public QObject
{
    Q_OBJECT

public:
    // The desktop's services the engine works with.
    struct Services
    {
        std::unique_ptr<ScreenSource> source;
        std::unique_ptr<SessionState> session;
        ImageCodec& codec;
        LiveTextSink* liveText;  // null: text is never read as screenshots arrive
        Notifier& notifier;
        std::shared_ptr<Trash> trash;
        ScreenCapturePermission& permission;
        SearchIndex* searchIndex = nullptr;  // null: no index follows the screenshots
    };

    CaptureService(Services services, Preferences& preferences, EventLog& log, QObject* parent = nullptr);
    ~CaptureService() override;

    ScreenshotManager& engine() { return *m_engine; }
    CleanupController& cleanup() { return m_cleanup; }

    // Starts capture with the stored settings and follows their changes.
    // Without the desktop's permission to capture, capture stays stopped.
    void start();
    // Stops a running capture, or starts one with the stored settings
    // (the global shortcut, `momentra toggle`).
    void toggle();

private:
    void installCallbacks();
    void delaySleepWhileTicking();
    void configureCleanup();
    // Brings the search index in line with the screenshots folder, when text
    // search is on or an index exists.
    void reconcileSearchIndex();
    void dropMissingFromIndex();

    Preferences& m_preferences;
    EventLog& m_log;
    std::unique_ptr<ScreenSource> m_source;
    std::unique_ptr<SessionState> m_session;
    Notifier& m_notifier;
    ScreenCapturePermission& m_permission;
    SearchIndex* m_searchIndex;
    LiveTextSink* m_liveText;
    DisplayCapture m_capture;
    std::unique_ptr<ScreenshotManager> m_engine;
    CleanupController m_cleanup;
    FileDescriptor m_sleepDelay;
};
