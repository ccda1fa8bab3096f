#pragma once

#include <QString>
#include <QStringList>

struct DiagnosticsFacts;
class EventLog;
class Preferences;

// The plain-text report a user pastes into a support mail: version and
// machine, permissions, the engine's state, every capture setting, the
// screenshots folder, the displays, then the newest lines of the event log.
// It never holds screenshot contents or recognised text.
class DiagnosticsReport
{
public:
    // What the About tab and `momentra diagnostics` ask for by default.
    static constexpr int kLogDays = 7;
    static constexpr int kLogLines = 500;

    // The report's lines before the log block.
    static QStringList lines(const DiagnosticsFacts& facts, const Preferences& preferences);
    // The lines, an empty line and the log block.
    static QString text(const DiagnosticsFacts& facts, const Preferences& preferences, EventLog& log,
                        int logDays = kLogDays, int logLines = kLogLines);
    // " (3 captures, 1 other file)" for a day folder; empty when it cannot be listed.
    static QString folderSummary(const QString& folder);
};
