#include "app/CaptureService.h"

#include "core/settings/Preferences.h"
#include "core/textsearch/LiveTextReader.h"
#include "platform/linux/FreedesktopTrash.h"

#include <QDBusConnection>

#include <unistd.h>

CaptureService::CaptureService(std::unique_ptr<ScreenSource> source, Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_source(std::move(source))
    , m_capture(*m_source, m_codec, &LiveTextReader::shared())
    , m_gates(QDBusConnection::systemBus(), QDBusConnection::sessionBus())
    , m_notifier(QDBusConnection::sessionBus())
    , m_engine(std::make_unique<ScreenshotManager>(m_capture, m_gates))
    , m_cleanup(std::make_shared<FreedesktopTrash>())
{
    installCallbacks();
    // Settings changed elsewhere (the settings window, `momentra defaults`) apply at once.
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        m_engine->update(m_preferences.captureConfiguration());
        if (key == Preferences::key("folderPath") || key == Preferences::key("deletionPolicy")
            || key == Preferences::key("deletesPermanently"))
            configureCleanup();
    });
    configureCleanup();  // the launch sweep
    followSleep();
    holdSleepWhileTicking();
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
    m_engine->onDidWake = [this] { m_cleanup.handleDidWake(); };
    m_cleanup.setOnDeleteAllFinished([this] {
        m_engine->invalidateTodayCount();
        m_engine->refreshTodayCountIfNeeded();
    });
}

void CaptureService::configureCleanup()
{
    m_cleanup.configureCleanup(m_preferences.folderPath(), m_preferences.deletionPolicy(),
                               m_preferences.deletesPermanently());
}

void CaptureService::followSleep()
{
    connect(&m_gates.logind(), &LogindClient::prepareForSleep, this, [this](bool sleeping) {
        if (sleeping)
            m_engine->handleWillSleep();
        else
            m_engine->handleDidWake();
    });
}

// logind waits for a delay inhibitor before suspending, so a screenshot being
// written when the lid closes is finished, not cut off.
void CaptureService::holdSleepWhileTicking()
{
    connect(m_engine.get(), &ScreenshotManager::isTickingChanged, this, [this] {
        if (m_engine->isTicking() && !m_sleepInhibitor.isOpen()) {
            m_sleepInhibitor = m_gates.logind().inhibitSleepDelay(QStringLiteral("Writing a screenshot"));
        } else if (!m_engine->isTicking()) {
            m_sleepInhibitor.reset();
        }
    });
}

void CaptureService::start()
{
    m_engine->start(m_preferences.captureConfiguration());
}

void CaptureService::toggle()
{
    if (m_engine->isCapturing())
        m_engine->stop();
    else
        start();
}
