#include "platform/linux/autostart/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

Result<PortalRequest::Answer> PortalRequest::run(QDBusConnection bus, const QString& interface, const QString& method,
                                                 const QVariantList& arguments, QVariantMap options,
                                                 std::chrono::seconds timeout)
{
    using R = Result<Answer>;
    if (!bus.isConnected())
        return R::failure(QStringLiteral("there is no session bus"));

    const QString token = QStringLiteral("momentra%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
    options.insert(QStringLiteral("handle_token"), token);

    PortalRequest request;
    QEventLoop loop;
    request.m_loop = &loop;
    const auto listen = [&](const QString& path, bool on) {
        if (on)
            bus.connect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), &request,
                        SLOT(onResponse(uint, QVariantMap)));
        else
            bus.disconnect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), &request,
                           SLOT(onResponse(uint, QVariantMap)));
    };
    listen(requestPath, true);

    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    call.setArguments(arguments + QVariantList{options});
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(std::chrono::milliseconds(timeout).count()));
    // Portals older than the handle token answer on another path; listen there too.
    const QString answeredPath = reply.arguments().value(0).value<QDBusObjectPath>().path();
    const bool otherPath = !answeredPath.isEmpty() && answeredPath != requestPath;
    if (reply.type() != QDBusMessage::ErrorMessage) {
        if (otherPath)
            listen(answeredPath, true);
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
        if (otherPath)
            listen(answeredPath, false);
    }
    listen(requestPath, false);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return R::failure(QStringLiteral("the desktop portal did not take the request (%1)").arg(reply.errorMessage()));
    if (!request.m_answer)
        return R::failure(QStringLiteral("the desktop did not answer within %1 seconds").arg(timeout.count()));
    return R(*request.m_answer);
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    m_answer = Answer{response, results};
    m_loop->quit();
}
