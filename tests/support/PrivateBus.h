#pragma once

#include "support/HelperProcess.h"

#include <QString>

#include <memory>
#include <vector>

// A private D-Bus daemon for one test, standing in for the session or the
// system bus, with python3-dbusmock services on it. Nothing reaches the
// machine's real buses. Fails with a message naming the Debian package when
// a tool is missing.
class PrivateBus
{
public:
    enum class Kind { Session, System };

    explicit PrivateBus(Kind kind) : m_kind(kind) {}
    ~PrivateBus();

    // Starts dbus-daemon and points DBUS_SESSION_BUS_ADDRESS or
    // DBUS_SYSTEM_BUS_ADDRESS at it.
    bool start();
    QString address() const { return m_address; }
    QString error() const { return m_error; }

    // Starts `python3 -m dbusmock --template NAME` on this bus and waits
    // until it owns busName. The mock writes one line per method call to
    // logFile when one is given.
    bool startMock(const QString& templateName, const QString& busName, const QString& logFile = {});

private:
    const char* variable() const { return m_kind == Kind::Session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS"; }

    Kind m_kind;
    HelperProcess m_daemon;
    std::vector<std::unique_ptr<HelperProcess>> m_mocks;
    QString m_address;
    QString m_error;
};
