#pragma once

#include "core/Result.h"
#include "core/capture/ScreenSource.h"

#include <memory>

// The screen-capture service of the running desktop session, or why there
// is none (no graphical session, no backend for it).
Result<std::unique_ptr<ScreenSource>> createScreenSource();
