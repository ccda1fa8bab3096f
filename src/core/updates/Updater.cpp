#include "core/updates/Updater.h"

#include "core/log/EventLog.h"
#include "core/updates/FeedSignature.h"
#include "core/updates/PackageCheck.h"
#include "core/updates/UpdateTransport.h"
#include "core/updates/VersionNumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

}  // namespace

Updater::Updater(Configuration configuration, UpdateTransport& transport, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_transport(transport)
    , m_log(log)
{
    // A part left by a process that ended is unverified: gone before anything can look at it.
    const QDir cache(m_configuration.cacheFolder);
    for (const QString& name : cache.entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden))
        QFile::remove(cache.filePath(name));
}

QString Updater::standardCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Momentra/updates");
}

void Updater::check(Origin origin)
{
    const bool isRunning = isChecking();
    m_waiting.insert(origin);
    if (isRunning)
        return;
    QPointer<Updater> self(this);
    m_transport.fetch(m_configuration.feedUrl, kMaxFeedBytes, [self](Result<QByteArray> feed) {
        if (!self)
            return;
        if (!feed)
            self->failCheck(feed.error());
        else
            self->checkSignature(feed.value());
    });
}

void Updater::checkSignature(const QByteArray& feed)
{
    QUrl signatureUrl = m_configuration.feedUrl;
    signatureUrl.setPath(signatureUrl.path() + QStringLiteral(".sig"));
    QPointer<Updater> self(this);
    m_transport.fetch(signatureUrl, FeedSignature::kMaxFileBytes, [self, feed](Result<QByteArray> signature) {
        if (!self)
            return;
        if (!signature)
            return self->failCheck(
                QStringLiteral("the update information's signature is missing (%1)").arg(signature.error()));
        const Result<void> verified = FeedSignature::verify(feed, signature.value(), self->m_configuration.publicKey);
        if (!verified)
            return self->failCheck(verified.error());
        Result<UpdateFeed> parsed = UpdateFeed::parse(feed);
        if (!parsed)
            return self->failCheck(parsed.error());
        const QString current = self->m_configuration.currentVersion;
        if (!VersionNumber::isNewer(parsed->version, current)) {
            self->finishCheck({Answer::Kind::UpToDate, QStringLiteral("You're up to date"),
                               QStringLiteral("Momentra %1 is the newest version.").arg(current)},
                              std::nullopt);
            return;
        }
        const UpdateFeed& newer = parsed.value();
        self->finishCheck(
            {Answer::Kind::Available, QStringLiteral("Momentra %1 is available").arg(newer.version), newer.notes},
            newer);
    });
}

void Updater::failCheck(const QString& reason)
{
    finishCheck({Answer::Kind::Failed, QStringLiteral("Couldn't check for updates"),
                 QStringLiteral("Couldn't check for updates: ") + reason},
                m_newer);
}

void Updater::finishCheck(Answer answer, std::optional<UpdateFeed> newer)
{
    switch (answer.kind) {
    case Answer::Kind::UpToDate:
        m_log.log(QStringLiteral("Update check: ") + answer.text, EventLog::kApp);
        clearCache();  // whatever was downloaded is installed or outdated now
        break;
    case Answer::Kind::Available:
        m_log.log(QStringLiteral("Update check: ") + answer.title, EventLog::kApp);
        break;
    case Answer::Kind::Failed:
        m_log.logError(answer.text, EventLog::kApp);
        break;
    }
    const bool changed = (m_newer.has_value() != newer.has_value()) || (newer && m_newer->version != newer->version);
    m_newer = std::move(newer);
    const QSet<Origin> waiting = std::exchange(m_waiting, {});
    if (changed)
        Q_EMIT newerReleaseChanged();
    for (Origin origin : {Origin::User, Origin::Scheduled}) {
        if (waiting.contains(origin))
            Q_EMIT checkFinished(origin, answer);
    }
}

std::optional<UpdatePackage> Updater::package() const
{
    if (!m_newer)
        return std::nullopt;
    return m_newer->package(m_configuration.packageKind, m_configuration.architecture);
}

QString Updater::packagePath(const UpdatePackage& package) const
{
    return QDir(m_configuration.cacheFolder).filePath(package.fileName(m_newer->version));
}

std::optional<QString> Updater::downloadedPackage() const
{
    const std::optional<UpdatePackage> wanted = package();
    if (!wanted)
        return std::nullopt;
    const QString path = packagePath(*wanted);
    if (!QFileInfo::exists(path) || !PackageCheck::verify(path, *wanted))
        return std::nullopt;
    return path;
}

void Updater::download()
{
    if (m_isDownloading)
        return;
    const std::optional<UpdatePackage> wanted = package();
    if (!wanted)
        return failDownload(m_newer ? QStringLiteral("there is no package for this computer")
                                    : QStringLiteral("there is no newer version"));
    if (const std::optional<QString> done = downloadedPackage()) {
        Q_EMIT downloadFinished(true, *done);
        return;
    }
    const QString folder = m_configuration.cacheFolder;
    if (!QDir().mkpath(folder))
        return failDownload(QStringLiteral("the folder %1 can't be made").arg(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    clearCache();
    const QString finalPath = packagePath(*wanted);
    const QString partPath = finalPath + QStringLiteral(".part");
    m_isDownloading = true;
    m_log.log(QStringLiteral("Downloading Momentra %1 from %2").arg(m_newer->version, wanted->url.toString()),
              EventLog::kApp);
    QPointer<Updater> self(this);
    m_transport.download(wanted->url, partPath, wanted->size,
                         [self, partPath, finalPath, package = *wanted](Result<void> done) {
                             if (!self) {
                                 QFile::remove(partPath);
                                 return;
                             }
                             self->m_isDownloading = false;
                             if (!done) {
                                 QFile::remove(partPath);
                                 return self->failDownload(done.error());
                             }
                             self->finishDownload(partPath, finalPath, package);
                         });
}

void Updater::finishDownload(const QString& partPath, const QString& finalPath, const UpdatePackage& package)
{
    const Result<void> verified = PackageCheck::verify(partPath, package);
    if (!verified) {
        QFile::remove(partPath);
        m_log.logError(QStringLiteral("Deleted the downloaded update %1: %2")
                           .arg(QFileInfo(finalPath).fileName(), verified.error()),
                       EventLog::kApp);
        Q_EMIT downloadFinished(false, verified.error());
        return;
    }
    QFile::remove(finalPath);
    if (!QFile::rename(partPath, finalPath)) {
        QFile::remove(partPath);
        return failDownload(QStringLiteral("the package can't be saved in %1").arg(m_configuration.cacheFolder));
    }
    QFile::setPermissions(finalPath, kOwnerOnly);
    m_log.log(QStringLiteral("Downloaded and verified %1").arg(QFileInfo(finalPath).fileName()), EventLog::kApp);
    Q_EMIT downloadFinished(true, finalPath);
}

void Updater::failDownload(const QString& reason)
{
    m_log.logError(QStringLiteral("Couldn't download the update: ") + reason, EventLog::kApp);
    Q_EMIT downloadFinished(false, reason);
}

void Updater::clearCache()
{
    const QDir cache(m_configuration.cacheFolder);
    for (const QString& name : cache.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(cache.filePath(name));
}
