#pragma once

#include "core/Result.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <optional>

class QEventLoop;

// One call to an xdg-desktop-portal interface that answers through a Request
// object's Response signal, waited for on the calling thread. The request's
// path is known before the call (from our handle token), so the answer cannot
// slip past before we listen. Blocks: call it off the main thread, and keep
// the main thread's event loop running meanwhile, since the session bus
// connection hands the answer on through it.
class PortalRequest : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        uint response = 2;  // 0 done, 1 cancelled by the user, 2 ended otherwise
        QVariantMap results;
    };

    // Calls `method` of `interface` on the portal with `arguments` followed by
    // the options (a handle_token is added to them).
    static Result<Answer> run(QDBusConnection bus, const QString& interface, const QString& method,
                              const QVariantList& arguments, QVariantMap options, std::chrono::seconds timeout);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    PortalRequest() = default;

    QEventLoop* m_loop = nullptr;
    std::optional<Answer> m_answer;
};
