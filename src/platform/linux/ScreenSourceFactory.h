#pragma once

#include "core/Result.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/capture/ScreenSource.h"
#include "platform/linux/CaptureBackend.h"

#include <memory>

class EventLog;

// The screen-capture service of the chosen backend, or why there is none.
// What capture lacks on this desktop is logged.
Result<std::unique_ptr<ScreenSource>> createScreenSource(const CaptureBackend::Choice& backend, EventLog& log);

// The desktop's consent to capture, as the chosen backend knows it; a grant
// the desktop refuses or that cannot be read is logged.
std::unique_ptr<ScreenCapturePermission> createCapturePermission(const CaptureBackend::Choice& backend, EventLog& log);
