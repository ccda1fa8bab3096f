#include "platform/linux/KWinActiveWindow.h"

#include "core/log/EventLog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QStandardPaths>

namespace {

constexpr int kTimeoutMs = 2000;
const QString kScriptFile = QStringLiteral("momentra/kwin/momentra-active-window.js");

QDBusMessage callScripting(QDBusConnection& bus, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                                       QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    return bus.call(call, QDBus::Block, kTimeoutMs);
}

}  // namespace

KWinActiveWindow::KWinActiveWindow(QDBusConnection sessionBus, QString scriptPath, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(sessionBus))
    , m_scriptPath(std::move(scriptPath))
    , m_log(log)
{
    m_bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportScriptableSlots);
}

KWinActiveWindow::~KWinActiveWindow()
{
    if (m_script == Script::Loaded)
        callScripting(m_bus, QStringLiteral("unloadScript"), {QLatin1String(kPluginName)});
    m_bus.unregisterObject(QLatin1String(kObjectPath));
}

QString KWinActiveWindow::installedScript()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + kScriptFile;
    if (QFile::exists(beside))
        return beside;
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, kScriptFile);
}

void KWinActiveWindow::SetActiveWindow(const QString& desktopFileName)
{
    const QString id = m_resolver.fromAppId(desktopFileName);
    m_active = id.isEmpty() ? std::nullopt : std::optional<QString>(id);
}

std::optional<QString> KWinActiveWindow::frontmostAppId()
{
    if (m_script == Script::NotLoaded && ownsServiceName())
        loadScript();
    return m_active;
}

// KWin calls back on the well-known name, which only the running instance holds.
bool KWinActiveWindow::ownsServiceName()
{
    QDBusConnectionInterface* bus = m_bus.interface();
    return bus && bus->serviceOwner(QLatin1String(kServiceName)).value() == m_bus.baseService();
}

void KWinActiveWindow::loadScript()
{
    m_script = Script::Failed;
    if (m_scriptPath.isEmpty() || !QFile::exists(m_scriptPath)) {
        m_log.log(QStringLiteral("Pausing while an excluded app is active is unavailable: the KWin script "
                                 "(share/%1) is not installed")
                      .arg(kScriptFile),
                  EventLog::kEngine);
        return;
    }
    // A script left running by an instance that ended without unloading it goes first.
    callScripting(m_bus, QStringLiteral("unloadScript"), {QLatin1String(kPluginName)});
    const QDBusMessage loaded = callScripting(m_bus, QStringLiteral("loadScript"),
                                              {m_scriptPath, QLatin1String(kPluginName)});
    const int id = loaded.arguments().value(0, -1).toInt();
    if (loaded.type() != QDBusMessage::ReplyMessage || id < 0) {
        m_log.log(QStringLiteral("Pausing while an excluded app is active is unavailable: KWin did not load the "
                                 "script that reports the active window (%1)")
                      .arg(loaded.errorMessage().isEmpty() ? QStringLiteral("it answered %1").arg(id)
                                                           : loaded.errorMessage()),
                  EventLog::kEngine);
        return;
    }
    const QDBusMessage started = callScripting(m_bus, QStringLiteral("start"));
    if (started.type() != QDBusMessage::ReplyMessage) {
        m_log.log(QStringLiteral("Pausing while an excluded app is active is unavailable: KWin did not start the "
                                 "script that reports the active window (%1)")
                      .arg(started.errorMessage()),
                  EventLog::kEngine);
        callScripting(m_bus, QStringLiteral("unloadScript"), {QLatin1String(kPluginName)});
        return;
    }
    m_script = Script::Loaded;
}
