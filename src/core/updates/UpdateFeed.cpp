#include "core/updates/UpdateFeed.h"

#include "core/updates/VersionNumber.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

namespace {

using R = Result<UpdateFeed>;

// The release page opens in the browser: HTTPS only. Packages are fetched
// by the update network, which itself refuses anything but HTTPS.
bool isHttps(const QUrl& url)
{
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

bool isWeb(const QUrl& url)
{
    return isHttps(url) || (url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty());
}

Result<UpdatePackage> parsePackage(const QJsonValue& value)
{
    using P = Result<UpdatePackage>;
    const QJsonObject object = value.toObject();
    UpdatePackage package;
    package.kind = object.value(QLatin1String("kind")).toString();
    package.architecture = object.value(QLatin1String("architecture")).toString();
    package.url = QUrl(object.value(QLatin1String("url")).toString());
    package.size = qint64(object.value(QLatin1String("size")).toDouble(-1));
    package.sha256 = object.value(QLatin1String("sha256")).toString().toLower().toLatin1();
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    if (package.kind.isEmpty() || package.architecture.isEmpty())
        return P::failure(QStringLiteral("a package has no kind or architecture"));
    if (!isWeb(package.url))
        return P::failure(QStringLiteral("a package's address is not a web address"));
    if (package.size <= 0)
        return P::failure(QStringLiteral("a package has no size"));
    if (!hex.match(QString::fromLatin1(package.sha256)).hasMatch())
        return P::failure(QStringLiteral("a package's SHA-256 is not 64 hex digits"));
    return package;
}

}  // namespace

Result<UpdateFeed> UpdateFeed::parse(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return R::failure(QStringLiteral("the update information is not valid JSON (%1)").arg(error.errorString()));
    if (!document.isObject())
        return R::failure(QStringLiteral("the update information is not a JSON object"));
    const QJsonObject object = document.object();
    UpdateFeed feed;
    feed.version = object.value(QLatin1String("version")).toString();
    if (!VersionNumber::isValid(feed.version))
        return R::failure(QStringLiteral("the update information names no valid version"));
    feed.releaseDate = QDate::fromString(object.value(QLatin1String("releaseDate")).toString(), Qt::ISODate);
    feed.notes = object.value(QLatin1String("notes")).toString().trimmed();
    feed.releasePage = QUrl(object.value(QLatin1String("releasePage")).toString());
    if (!isHttps(feed.releasePage))
        return R::failure(QStringLiteral("the update information's release page is not an HTTPS address"));
    for (const QJsonValue& value : object.value(QLatin1String("packages")).toArray()) {
        Result<UpdatePackage> package = parsePackage(value);
        if (!package)
            return R::failure(QStringLiteral("the update information is damaged: ") + package.error());
        feed.packages.append(std::move(package).value());
    }
    return feed;
}

std::optional<UpdatePackage> UpdateFeed::package(const QString& kind, const QString& architecture) const
{
    for (const UpdatePackage& candidate : packages) {
        if (candidate.kind == kind && candidate.architecture == architecture)
            return candidate;
    }
    return std::nullopt;
}

QString UpdateFeed::debianArchitecture(const QString& cpuArchitecture)
{
    if (cpuArchitecture == QLatin1String("x86_64"))
        return QStringLiteral("amd64");
    if (cpuArchitecture == QLatin1String("i386"))
        return QStringLiteral("i386");
    if (cpuArchitecture == QLatin1String("arm"))
        return QStringLiteral("armhf");
    return cpuArchitecture;  // arm64, riscv64 and s390x are named alike
}
