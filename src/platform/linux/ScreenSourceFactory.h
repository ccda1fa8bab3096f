#pragma once

#include "core/Result.h"
#include "core/capture/ScreenSource.h"

#include <memory>

class EventLog;

// The screen-capture service of the running desktop session, or why there
// is none (no graphical session, no backend for it). What capture lacks on
// this desktop is logged.
Result<std::unique_ptr<ScreenSource>> createScreenSource(EventLog& log);
