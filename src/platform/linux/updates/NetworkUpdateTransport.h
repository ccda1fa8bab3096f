#pragma once

#include "core/updates/UpdateTransport.h"

#include <QNetworkAccessManager>
#include <QObject>

#include <chrono>
#include <functional>

class QNetworkReply;

// The update component's network: HTTPS through QNetworkAccessManager with
// the system's proxy settings, a time limit on silence, redirects followed
// only to HTTPS, and a size limit enforced while the bytes arrive. The
// request tells the server nothing but Momentra's version and architecture
// (its user agent); no cookies, no cache. Plain HTTP is refused, except to
// a loopback address when the owner allows it (tests run a local server).
class NetworkUpdateTransport : public QObject, public UpdateTransport
{
    Q_OBJECT

public:
    struct Options
    {
        QByteArray userAgent;  // "Momentra/0.1.0 (amd64)"
        std::chrono::milliseconds timeLimit = std::chrono::seconds(30);
        bool allowsLoopbackHttp = false;
    };

    explicit NetworkUpdateTransport(Options options, QObject* parent = nullptr);

    void fetch(const QUrl& url, qint64 maxBytes, std::function<void(Result<QByteArray>)> done) override;
    void download(const QUrl& url, const QString& path, qint64 maxBytes,
                  std::function<void(Result<void>)> done) override;

    bool isAllowed(const QUrl& url) const;

private:
    // Runs one GET; `sink` takes each chunk and says whether to go on.
    void get(const QUrl& url, qint64 maxBytes, std::function<bool(const QByteArray&)> sink,
             std::function<void(Result<void>)> done);
    QString failureReason(QNetworkReply* reply) const;

    Options m_options;
    QNetworkAccessManager m_network;
};
