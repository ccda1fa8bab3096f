#pragma once

#include "platform/linux/wayland/PortalScreenCast.h"
#include "platform/linux/wayland/RestoreTokenStore.h"

#include <atomic>
#include <functional>

// The desktop's remembered consent to cast the screen: a session started
// with the stored restore token, whose successor token is stored again
// (each start hands out a new one). A token the desktop refuses, and a
// stored one that is unreadable, is forgotten with one log line, and the
// permission counts as off until the user allows it again. The desktop
// keeps each grant in its permission store (the "screencast" table of
// org.freedesktop.impl.portal.PermissionStore): a grant removed there has
// been revoked, and is forgotten here too.
class PortalGrant
{
public:
    using Log = std::function<void(const QString& line, bool isError)>;

    PortalGrant(QDBusConnection bus, RestoreTokenStore store, Log log);

    // A grant exists: the token stored at the last accepted session start,
    // which the desktop's permission store still holds (or cannot be asked).
    bool exists();
    // Counts the grants forgotten in this process: a session opened under a
    // smaller count shares the screen without the user's consent any more.
    quint64 forgottenCount() const { return m_forgotten; }
    // withToken false asks the user afresh (the desktop's consent dialog).
    PortalScreenCast::Started start(bool showsCursor, bool withToken);
    void close(const QString& handle) { m_cast.close(handle); }

    static QString offMessage();

    static constexpr int kStoreTimeoutMs = 2000;

private:
    std::optional<QString> storedToken();
    // Nothing when the permission store cannot be asked.
    std::optional<bool> storeHolds(const QString& token);
    void forget(const QString& why);

    QDBusConnection m_bus;
    PortalScreenCast m_cast;
    RestoreTokenStore m_store;
    Log m_log;
    std::atomic<quint64> m_forgotten{0};
};
