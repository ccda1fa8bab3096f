#pragma once

#include "core/capture/CaptureGates.h"

// The gates as far as they are built: free space is measured on the volume;
// the screen counts as unlocked, the user as active and no application as in
// front, so those gates stay open until the session services answer them.
class SystemCaptureGates : public CaptureGates
{
public:
    std::optional<qint64> freeBytes(const QString& folder) override;
    bool isScreenLocked() override { return false; }
    double secondsSinceLastInput() override { return 0; }
    std::optional<QString> frontmostAppId() override { return std::nullopt; }
};
