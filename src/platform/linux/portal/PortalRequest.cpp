#include "platform/linux/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QPointer>
#include <QRandomGenerator>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString timeoutText(std::chrono::seconds timeout)
{
    return QStringLiteral("the desktop did not answer within %1 seconds").arg(timeout.count());
}

}  // namespace

PortalRequest::PortalRequest(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    m_timeout.setSingleShot(true);
}

QDBusMessage PortalRequest::prepare(const QString& interface, const QString& method, const QVariantList& arguments,
                                    QVariantMap options)
{
    const QString token = QStringLiteral("momentra%1").arg(QRandomGenerator::global()->generate());
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    m_requestPath = kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
    options.insert(QStringLiteral("handle_token"), token);
    listen(m_requestPath, true);
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    call.setArguments(arguments + QVariantList{options});
    return call;
}

void PortalRequest::listen(const QString& path, bool on)
{
    if (on)
        m_bus.connect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), this,
                      SLOT(onResponse(uint, QVariantMap)));
    else
        m_bus.disconnect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
}

Result<void> PortalRequest::accepted(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Result<void>::failure(
            QStringLiteral("the desktop portal did not take the request (%1)").arg(reply.errorMessage()));
    const QString answeredPath = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!answeredPath.isEmpty() && answeredPath != m_requestPath) {
        m_answeredPath = answeredPath;
        listen(m_answeredPath, true);
    }
    return Result<void>::success();
}

Result<PortalRequest::Answer> PortalRequest::run(QDBusConnection bus, const QString& interface, const QString& method,
                                                 const QVariantList& arguments, QVariantMap options,
                                                 std::chrono::seconds timeout)
{
    using R = Result<Answer>;
    if (!bus.isConnected())
        return R::failure(QStringLiteral("there is no session bus"));
    PortalRequest request(bus);
    QEventLoop loop;
    request.m_loop = &loop;
    const QDBusMessage call = request.prepare(interface, method, arguments, std::move(options));
    const auto taken = request.accepted(bus.call(call, QDBus::Block, int(std::chrono::milliseconds(timeout).count())));
    if (taken) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    request.finish(R::failure(QString()));
    if (!taken)
        return R::failure(taken.error());
    if (!request.m_answer)
        return R::failure(timeoutText(timeout));
    return R(*request.m_answer);
}

void PortalRequest::start(QDBusConnection bus, const QString& interface, const QString& method,
                          const QVariantList& arguments, QVariantMap options, std::chrono::seconds timeout,
                          QObject* context, Done done)
{
    if (!bus.isConnected()) {
        done(Result<Answer>::failure(QStringLiteral("there is no session bus")));
        return;
    }
    auto* request = new PortalRequest(bus, context);
    request->m_done = std::move(done);
    const QDBusMessage call = request->prepare(interface, method, arguments, std::move(options));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, int(std::chrono::milliseconds(timeout).count())),
                                                request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher] {
        watcher->deleteLater();
        if (const auto taken = request->accepted(watcher->reply()); !taken)
            request->finish(Result<Answer>::failure(taken.error()));
    });
    connect(&request->m_timeout, &QTimer::timeout, request,
            [request, timeout] { request->finish(Result<Answer>::failure(timeoutText(timeout))); });
    request->m_timeout.start(timeout);
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    m_answer = Answer{response, results};
    if (m_loop)
        m_loop->quit();
    else
        finish(*m_answer);
}

// Stops listening; a request started without waiting hands its result on
// and goes.
void PortalRequest::finish(const Result<Answer>& result)
{
    listen(m_requestPath, false);
    if (!m_answeredPath.isEmpty())
        listen(m_answeredPath, false);
    m_timeout.stop();
    if (!m_done)
        return;
    const Done done = std::exchange(m_done, nullptr);
    deleteLater();
    done(result);
}
