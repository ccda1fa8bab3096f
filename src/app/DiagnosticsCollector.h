#pragma once

#include "core/diagnostics/DiagnosticsReport.h"

#include <QString>

class AppRoot;
class CaptureService;

// Gathers the diagnostics report from the root's services, the desktop and,
// when this process hosts one, the running capture service. Main thread only.
class DiagnosticsCollector
{
public:
    // running: the capture service of this process, or null (a command),
    // in which case the engine lines describe a stopped engine.
    static QString collect(AppRoot& root, CaptureService* running, int logDays = DiagnosticsReport::kLogDays,
                           int logLines = DiagnosticsReport::kLogLines);
};
