#pragma once

#include "core/FileDescriptor.h"
#include "core/Result.h"

#include <QDBusConnection>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QVariant>

#include <chrono>
#include <optional>

// One screen-cast session of the desktop portal
// (org.freedesktop.portal.ScreenCast): CreateSession, SelectSources (every
// monitor, the cursor embedded or hidden, persist_mode 2 so the desktop
// hands back a restore token), Start (where the desktop may ask the user)
// and OpenPipeWireRemote. Each step answers through a Request object's
// Response signal. Blocking: the calling thread waits, running its own
// event loop meanwhile.
class PortalScreenCast
{
public:
    struct Stream
    {
        quint32 nodeId = 0;  // the PipeWire node to read frames from
        QPoint position;     // in the desktop's logical layout
        QSize size;          // logical size
    };

    struct Session
    {
        QString handle;
        QList<Stream> streams;
        std::optional<QString> restoreToken;  // the grant to pass next time
        FileDescriptor pipeWire;              // a PipeWire connection that sees only these streams
        bool showsCursor = false;
    };

    enum class Outcome {
        Started,
        Refused,  // the user or the desktop said no (cancelled dialog, token not accepted)
        Failed,
    };

    struct Started
    {
        Outcome outcome = Outcome::Failed;
        std::optional<Session> session;
        QString error;
    };

    // Cursor modes as the portal numbers them.
    static constexpr uint kCursorHidden = 1;
    static constexpr uint kCursorEmbedded = 2;
    static constexpr uint kPersistUntilRevoked = 2;
    static constexpr uint kSourceMonitor = 1;
    static constexpr std::chrono::seconds kAnswerTimeout{120};  // the user may be asked

    explicit PortalScreenCast(QDBusConnection bus);

    Started start(bool showsCursor, const std::optional<QString>& restoreToken);
    void close(const QString& handle);

    // The cursor mode that honours showsCursor among the modes the portal
    // offers (a bit mask), or the nearest it has.
    static uint cursorMode(bool showsCursor, uint available);
    // Start's "streams" result: a(ua{sv}).
    static QList<Stream> parseStreams(const QVariant& streams);

private:
    uint availableCursorModes();
    Started refusedOrFailed(uint response, const QString& step, const QString& handle, bool withToken);

    QDBusConnection m_bus;
};
