#pragma once

#include "platform/linux/wayland/PortalScreenCast.h"
#include "platform/linux/wayland/RestoreTokenStore.h"

#include <functional>

// The desktop's remembered consent to cast the screen: a session started
// with the stored restore token, whose successor token is stored again
// (each start hands out a new one). A token the desktop refuses, and a
// stored one that is unreadable, is forgotten with one log line, and the
// permission counts as off until the user allows it again.
class PortalGrant
{
public:
    using Log = std::function<void(const QString& line, bool isError)>;

    PortalGrant(QDBusConnection bus, RestoreTokenStore store, Log log);

    // A grant exists: the token stored at the last accepted session start.
    bool exists();
    // withToken false asks the user afresh (the desktop's consent dialog).
    PortalScreenCast::Started start(bool showsCursor, bool withToken);
    void close(const QString& handle) { m_cast.close(handle); }

    static QString offMessage();

private:
    std::optional<QString> storedToken();

    PortalScreenCast m_cast;
    RestoreTokenStore m_store;
    Log m_log;
};
