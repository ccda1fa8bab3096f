#include "core/updates/UpdateSettings.h"

#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QLatin1String kChecks("automaticallyChecks");
const QLatin1String kDownloads("automaticallyDownloads");

}  // namespace

UpdateSettings::UpdateSettings(QString path, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_log(log)
{
    reloadIfChanged();
    connect(&m_file, &SettingsFileWatch::touched, this, &UpdateSettings::reloadIfChanged);
}

QString UpdateSettings::standardPath()
{
    return QFileInfo(DefaultsStore::standardPath()).absolutePath() + QStringLiteral("/updates.json");
}

bool UpdateSettings::automaticallyChecks()
{
    reloadIfChanged();
    return m_values.checks;
}

bool UpdateSettings::automaticallyDownloads()
{
    reloadIfChanged();
    return m_values.downloads;
}

void UpdateSettings::setAutomaticallyChecks(bool on)
{
    reloadIfChanged();
    if (m_values.checks == on)
        return;
    m_values.checks = on;
    m_log.log(QStringLiteral("Automatic update checks turned %1").arg(on ? "on" : "off"), EventLog::kApp);
    save();
}

void UpdateSettings::setAutomaticallyDownloads(bool on)
{
    reloadIfChanged();
    if (m_values.downloads == on)
        return;
    m_values.downloads = on;
    m_log.log(QStringLiteral("Automatic update downloads turned %1").arg(on ? "on" : "off"), EventLog::kApp);
    save();
}

void UpdateSettings::reloadIfChanged()
{
    if (!m_file.isNew())
        return;
    const Values before = m_values;
    m_values = {};
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
        m_values.checks = object.value(kChecks).toBool(true);
        m_values.downloads = object.value(kDownloads).toBool(false);
    }
    if (before.checks != m_values.checks || before.downloads != m_values.downloads)
        Q_EMIT changed();
}

void UpdateSettings::save()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    const QJsonObject object{{kChecks, m_values.checks}, {kDownloads, m_values.downloads}};
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(QJsonDocument(object).toJson()) < 0 || !file.commit())
        m_log.logError(QStringLiteral("Couldn't save the update settings %1: %2").arg(m_path, file.errorString()),
                       EventLog::kApp);
    m_file.markSeen();
    Q_EMIT changed();
}
