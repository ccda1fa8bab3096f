#pragma once

#include <QString>

#include <optional>

// What the engine asks the desktop before each capture. The engine keeps
// the gate state (the low-space pause, its log lines); this interface only
// answers the questions.
class CaptureGates
{
public:
    virtual ~CaptureGates() = default;
    // Bytes available to the user on the volume holding `folder` (or its
    // nearest existing ancestor); nothing when it cannot be measured.
    virtual std::optional<qint64> freeBytes(const QString& folder) = 0;
    virtual bool isScreenLocked() = 0;
    virtual double secondsSinceLastInput() = 0;
    // Application id of the window in front; nothing when unknown.
    virtual std::optional<QString> frontmostAppId() = 0;
};
