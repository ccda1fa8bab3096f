#pragma once

#include "core/FileDescriptor.h"

#include <QObject>
#include <QString>

#include <optional>

// What the engine asks the desktop session before each capture, and the
// machine's sleep and wake. The engine keeps the gate state (the low-space
// pause, its log lines); this interface only answers the questions.
class SessionState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Bytes available to the user on the volume holding `folder` (or its
    // nearest existing ancestor); nothing when it cannot be measured.
    virtual std::optional<qint64> freeBytes(const QString& folder) = 0;
    virtual bool isScreenLocked() = 0;
    virtual double secondsSinceLastInput() = 0;
    // The idle gate's threshold, told whenever capture starts or the settings
    // change while idle pauses are on. Desktops that only say "no input for N
    // seconds" are armed with it; the others need not listen.
    virtual void setIdleThreshold(double seconds) { (void)seconds; }
    // Desktop-entry id of the application in front; nothing when unknown.
    virtual std::optional<QString> frontmostAppId() = 0;
    // While the returned descriptor stays open the machine waits before it
    // sleeps (for a short while, as the desktop allows). Not open when the
    // desktop cannot delay sleep.
    virtual FileDescriptor delaySleep(const QString& why) = 0;

Q_SIGNALS:
    void willSleep();
    void didWake();
};
