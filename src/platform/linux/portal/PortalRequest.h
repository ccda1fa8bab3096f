#pragma once

#include "core/Result.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>

class QDBusPendingCallWatcher;
class QEventLoop;

// One call to an xdg-desktop-portal interface that answers through a Request
// object's Response signal. The request's path is known before the call
// (from our handle token), so the answer cannot slip past before we listen.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        uint response = 2;  // 0 done, 1 cancelled by the user, 2 ended otherwise
        QVariantMap results;
    };
    using Done = std::function<void(const Result<Answer>&)>;

    // Calls `method` of `interface` on the portal with `arguments` followed by
    // the options (a handle_token is added to them), and waits on the calling
    // thread. Blocks: call it off the main thread, and keep the main thread's
    // event loop running meanwhile, since the session bus connection hands
    // the answer on through it.
    static Result<Answer> run(QDBusConnection bus, const QString& interface, const QString& method,
                              const QVariantList& arguments, QVariantMap options, std::chrono::seconds timeout);
    // The same call without waiting: `done` runs once, from the event loop,
    // with the answer or the failure. Nothing runs once `context` is gone.
    static void start(QDBusConnection bus, const QString& interface, const QString& method,
                      const QVariantList& arguments, QVariantMap options, std::chrono::seconds timeout,
                      QObject* context, Done done);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    PortalRequest(QDBusConnection bus, QObject* parent = nullptr);
    QDBusMessage prepare(const QString& interface, const QString& method, const QVariantList& arguments,
                         QVariantMap options);
    void listen(const QString& path, bool on);
    // After the portal took the call: also listen where it says the answer
    // comes (portals older than the handle token choose their own path).
    Result<void> accepted(const QDBusMessage& reply);
    void finish(const Result<Answer>& result);

    QDBusConnection m_bus;
    QString m_requestPath;
    QString m_answeredPath;
    QEventLoop* m_loop = nullptr;
    Done m_done;
    QTimer m_timeout;
    std::optional<Answer> m_answer;
};
