#include "app/CaptureService.h"

#include "core/Notifier.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenSource.h"
#include "core/capture/SessionState.h"
#include "core/log/EventLog.h"
#include "core/search/SearchIndex.h"
#include "core/settings/Preferences.h"
#include "core/textsearch/LiveTextSink.h"

#include <QFileInfo>

CaptureService::CaptureService(Services services, Preferences& preferences, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_log(log)
    , m_source(std::move(services.source))
    , m_session(std::move(services.session))
    , m_notifier(services.notifier)
    , m_permission(services.permission)
    , m_searchIndex(services.searchIndex)
    , m_liveText(services.liveText)
    , m_capture(*m_source, services.codec, services.liveText)
    , m_engine(std::make_unique<ScreenshotManager>(m_capture, *m_session, log))
    , m_cleanup(std::move(services.trash), log)
{
    installCallbacks();
    // Settings changed elsewhere (the settings window, `momentra defaults`) apply at once.
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        m_engine->update(m_preferences.captureConfiguration());
        if (key == Preferences::key("folderPath") || key == Preferences::key("deletionPolicy")
            || key == Preferences::key("deletesPermanently"))
            configureCleanup();
        if (key == Preferences::key("folderPath") || key == Preferences::key("searchesText"))
            reconcileSearchIndex();
    });
    configureCleanup();  // the launch sweep
    reconcileSearchIndex();
    delaySleepWhileTicking();
}

CaptureService::~CaptureService()
{
    m_cleanup.flushSweepLog();
    m_engine.reset();  // waits for a running capture before the source goes
}

void CaptureService::installCallbacks()
{
    m_engine->onDisplayOrdinalsChanged = [this](const QMap<QString, int>& ordinals) {
        m_preferences.setDisplayOrdinals(ordinals);
    };
    m_engine->onCaptureSucceeded = [this](const QDateTime& at) { m_preferences.recordCaptureDay(at); };
    m_engine->onFailureNotification = [this](const QString& message) {
        m_notifier.notify(QStringLiteral("Momentra"), QStringLiteral("Screenshot capture failed: ") + message);
    };
    m_engine->onDidWake = [this] {
        if (m_liveText)
            m_liveText->restartSequences();
        m_cleanup.handleDidWake();
        reconcileSearchIndex();
    };
    m_cleanup.setOnDeleteAllFinished([this] {
        m_engine->invalidateTodayCount();
        m_engine->refreshTodayCountIfNeeded();
        dropMissingFromIndex();
    });
    connect(&m_cleanup, &CleanupController::sweepFinished, this, [this] {
        const std::optional<CleanupStatus>& last = m_cleanup.lastCleanup();
        if (last && last->result && last->result->trashed > 0)
            dropMissingFromIndex();
    });
}

void CaptureService::reconcileSearchIndex()
{
    if (m_searchIndex && (m_preferences.searchesText() || QFileInfo::exists(m_searchIndex->databasePath())))
        m_searchIndex->reconcile(m_preferences.folderPath());
}

void CaptureService::dropMissingFromIndex()
{
    if (m_searchIndex)
        m_searchIndex->dropMissing(m_preferences.folderPath());
}

void CaptureService::configureCleanup()
{
    m_cleanup.configureCleanup(m_preferences.folderPath(), m_preferences.deletionPolicy(),
                               m_preferences.deletesPermanently());
}

// A screenshot being written when the lid closes is finished, not cut off.
void CaptureService::delaySleepWhileTicking()
{
    connect(m_engine.get(), &ScreenshotManager::isTickingChanged, this, [this] {
        if (m_engine->isTicking() && !m_sleepDelay.isOpen())
            m_sleepDelay = m_session->delaySleep(QStringLiteral("Writing a screenshot"));
        else if (!m_engine->isTicking())
            m_sleepDelay.reset();
    });
}

void CaptureService::start()
{
    if (!m_permission.isGranted()) {
        m_log.logError(QStringLiteral("Capture not started: this desktop hasn't allowed Momentra to capture the "
                                      "screen"),
                       EventLog::kEngine);
        return;
    }
    m_engine->start(m_preferences.captureConfiguration());
}

void CaptureService::toggle()
{
    if (m_engine->isCapturing())
        m_engine->stop();
    else
        start();
}
