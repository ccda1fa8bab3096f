#include "core/updates/UpdateSettings.h"

#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <sys/stat.h>

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
    const auto follow = [this] {
        watch();
        reloadIfChanged();
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, follow);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, follow);
    watch();
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

UpdateSettings::FileStamp UpdateSettings::currentStamp() const
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, qint64(info.st_size),
            quint64(info.st_ino)};
}

void UpdateSettings::reloadIfChanged()
{
    const FileStamp stamp = currentStamp();
    if (stamp == m_stamp)
        return;
    m_stamp = stamp;
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
    m_stamp = currentStamp();
    watch();
    Q_EMIT changed();
}

void UpdateSettings::watch()
{
    // Atomic saves replace the file, which drops it from the watch list, so
    // the folder is watched too and the file added again whenever it exists.
    // Before the folder exists, its parent is watched for it to appear.
    const QString folder = QFileInfo(m_path).absolutePath();
    const QString parent = QFileInfo(folder).absolutePath();
    const bool hasFolder = QFileInfo::exists(folder);
    const QString watched = hasFolder ? folder : parent;
    if (hasFolder && m_watcher.directories().contains(parent))
        m_watcher.removePath(parent);
    if (QFileInfo::exists(watched) && !m_watcher.directories().contains(watched))
        m_watcher.addPath(watched);
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}
