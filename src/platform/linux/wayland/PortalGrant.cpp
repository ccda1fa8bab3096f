#include "platform/linux/wayland/PortalGrant.h"

#include <QDBusMessage>

PortalGrant::PortalGrant(QDBusConnection bus, RestoreTokenStore store, Log log)
    : m_bus(bus)
    , m_cast(std::move(bus))
    , m_store(std::move(store))
    , m_log(std::move(log))
{
}

QString PortalGrant::offMessage()
{
    return QStringLiteral("Screen Recording permission is off: the desktop has not allowed Momentra to share the "
                          "screen");
}

std::optional<QString> PortalGrant::storedToken()
{
    if (m_store.state() == RestoreTokenStore::State::Corrupt) {
        forget({});
        m_log(QStringLiteral("The stored screen-sharing grant %1 was unreadable and is forgotten; Screen Recording "
                             "permission is off until it is allowed again")
                  .arg(m_store.path()),
              true);
        return std::nullopt;
    }
    return m_store.load();
}

void PortalGrant::forget(const QString& why)
{
    m_store.forget();
    ++m_forgotten;
    if (!why.isEmpty())
        m_log(why, true);
}

std::optional<bool> PortalGrant::storeHolds(const QString& token)
{
    QDBusMessage lookup = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
                                                         QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
                                                         QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
                                                         QStringLiteral("Lookup"));
    lookup << QStringLiteral("screencast") << token;
    const QDBusMessage reply = m_bus.call(lookup, QDBus::Block, kStoreTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    if (reply.errorName() == QLatin1String("org.freedesktop.portal.Error.NotFound"))
        return false;
    return std::nullopt;
}

bool PortalGrant::exists()
{
    const std::optional<QString> token = storedToken();
    if (!token)
        return false;
    if (storeHolds(*token) == false) {
        forget(QStringLiteral("The desktop no longer holds Momentra's screen-sharing grant (it was revoked); "
                              "Screen Recording permission is off until it is allowed again"));
        return false;
    }
    return true;
}

PortalScreenCast::Started PortalGrant::start(bool showsCursor, bool withToken)
{
    const std::optional<QString> token = withToken ? storedToken() : std::nullopt;
    PortalScreenCast::Started started = m_cast.start(showsCursor, token);
    if (started.outcome == PortalScreenCast::Outcome::Refused) {
        if (token)
            forget(QStringLiteral("The desktop refused Momentra's stored screen-sharing grant (%1); it is forgotten "
                                  "and Screen Recording permission is off")
                       .arg(started.error));
        return started;
    }
    if (started.outcome != PortalScreenCast::Outcome::Started)
        return started;
    m_log(token ? QStringLiteral("Sharing the screen through the portal with the stored grant")
                : QStringLiteral("Sharing the screen through the portal, as the user allowed"),
          false);
    if (started.session->restoreToken && RestoreTokenStore::isWellFormed(*started.session->restoreToken)) {
        if (!m_store.save(*started.session->restoreToken))
            m_log(QStringLiteral("Couldn't store the screen-sharing grant in %1; the desktop will ask again at the "
                                 "next start")
                      .arg(m_store.path()),
                  true);
    } else {
        m_store.forget();
        m_log(QStringLiteral("The desktop shares the screen but keeps no grant for later (its screen-cast portal "
                             "hands out no restore token); it will ask again at every start"),
              true);
    }
    return started;
}
