#include "platform/linux/updates/NetworkUpdateTransport.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace {

constexpr int kMaxRedirects = 5;
const char* const kAbortReason = "momentraAbortReason";

void abortWith(QNetworkReply* reply, const QString& reason)
{
    reply->setProperty(kAbortReason, reason);
    reply->abort();
}

}  // namespace

NetworkUpdateTransport::NetworkUpdateTransport(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    m_network.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    m_network.setCookieJar(nullptr);
}

bool NetworkUpdateTransport::isAllowed(const QUrl& url) const
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    return m_options.allowsLoopbackHttp && url.scheme() == QLatin1String("http")
           && QHostAddress(url.host()).isLoopback();
}

void NetworkUpdateTransport::fetch(const QUrl& url, qint64 maxBytes, std::function<void(Result<QByteArray>)> done)
{
    auto body = std::make_shared<QByteArray>();
    get(
        url, maxBytes,
        [body](const QByteArray& chunk) {
            body->append(chunk);
            return true;
        },
        [body, done = std::move(done)](Result<void> result) {
            done(result ? Result<QByteArray>(*body) : Result<QByteArray>::failure(result.error()));
        });
}

void NetworkUpdateTransport::download(const QUrl& url, const QString& path, qint64 maxBytes,
                                      std::function<void(Result<void>)> done)
{
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)
        || !file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        done(Result<void>::failure(QStringLiteral("%1 can't be written (%2)").arg(path, file->errorString())));
        return;
    }
    get(
        url, maxBytes, [file](const QByteArray& chunk) { return file->write(chunk) == chunk.size(); },
        [file, done = std::move(done)](Result<void> result) {
            const bool flushed = file->flush();
            file->close();
            if (result && !flushed)
                result = Result<void>::failure(
                    QStringLiteral("the package can't be written (%1)").arg(file->errorString()));
            done(result);
        });
}

void NetworkUpdateTransport::get(const QUrl& url, qint64 maxBytes, std::function<bool(const QByteArray&)> sink,
                                 std::function<void(Result<void>)> done)
{
    if (!isAllowed(url)) {
        done(Result<void>::failure(QStringLiteral("the address %1 is not HTTPS").arg(url.toString())));
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_options.userAgent);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(int(m_options.timeLimit.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    QNetworkReply* reply = m_network.get(request);

    connect(reply, &QNetworkReply::redirected, reply, [this, reply](const QUrl& target) {
        if (isAllowed(target))
            Q_EMIT reply->redirectAllowed();
        else
            abortWith(reply, QStringLiteral("the server sent it on to an address that is not HTTPS"));
    });
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBytes)
            abortWith(reply, QStringLiteral("the answer is larger than %1 bytes").arg(maxBytes));
    });
    auto received = std::make_shared<qint64>(0);
    connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes, received, sink] {
        // A redirect's own body is not the answer.
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() / 100 != 2)
            return void(reply->readAll());
        const QByteArray chunk = reply->readAll();
        *received += chunk.size();
        if (*received > maxBytes)
            return abortWith(reply, QStringLiteral("the answer is larger than %1 bytes").arg(maxBytes));
        if (!sink(chunk))
            abortWith(reply, QStringLiteral("the answer can't be written to disk"));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        reply->deleteLater();
        const QString reason = failureReason(reply);
        done(reason.isEmpty() ? Result<void>::success() : Result<void>::failure(reason));
    });
}

QString NetworkUpdateTransport::failureReason(QNetworkReply* reply) const
{
    const QString aborted = reply->property(kAbortReason).toString();
    if (!aborted.isEmpty())
        return aborted;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300) {
        const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return QStringLiteral("the server answered %1 %2").arg(status).arg(phrase).trimmed();
    }
    switch (reply->error()) {
    case QNetworkReply::NoError:
        return {};
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError: {
        // Only the transfer time limit cancels without a reason of ours.
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_options.timeLimit).count();
        return seconds == 1 ? QStringLiteral("the server did not answer within 1 second")
                            : QStringLiteral("the server did not answer within %1 seconds").arg(seconds);
    }
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("the server sent it on too many times");
    default:
        return reply->errorString();
    }
}
