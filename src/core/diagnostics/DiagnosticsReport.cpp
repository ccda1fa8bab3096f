#include "core/diagnostics/DiagnosticsReport.h"

#include "core/capture/ScreenshotManager.h"
#include "core/capture/VolumeSpace.h"
#include "core/diagnostics/DiagnosticsFacts.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString dateText(const std::optional<QDateTime>& date)
{
    return date ? date->toUTC().toString(Qt::ISODate) : QStringLiteral("never");
}

QString bytesText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString countText(qsizetype count, const char* singular, const char* plural)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? singular : plural);
}

QString formatLine(const Preferences& preferences)
{
    const ScreenshotFormat format = preferences.format();
    QString line = QStringLiteral("Format: ") + ScreenshotFormats::rawValue(format);
    if (format != ScreenshotFormat::Png)
        line += QStringLiteral(", quality: %1%").arg(int(preferences.jpegQuality() * 100));
    return line;
}

QString textSearchLine(const Preferences& preferences)
{
    if (!preferences.searchesText())
        return QStringLiteral("OCR: off");
    return QStringLiteral("OCR: on, %1, %2, correction %3")
        .arg(TextRecognitionLevels::rawValue(preferences.textRecognitionLevel()),
             preferences.textRecognitionLanguage().value_or(QStringLiteral("automatic")),
             preferences.usesTextLanguageCorrection() ? QStringLiteral("on") : QStringLiteral("off"));
}

QStringList folderLines(const QString& folder)
{
    const QFileInfo info(folder);
    QStringList lines{QStringLiteral("Folder: ") + EventLog::withHomeAbbreviated(folder),
                      QStringLiteral("Folder exists: %1, writable: %2")
                          .arg(boolText(info.isDir()), boolText(info.isDir() && info.isWritable()))};
    if (const auto free = VolumeSpace::freeBytes(folder))
        lines << QStringLiteral("Free space on volume: ") + bytesText(*free);
    return lines;
}

QString dayFoldersLine(const QString& folder)
{
    QStringList days = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    days.erase(std::remove_if(days.begin(), days.end(),
                              [](const QString& name) { return !LibraryLayout::isDayFolderName(name); }),
               days.end());
    QString line = QStringLiteral("Day folders: ") + QString::number(days.size());
    if (!days.isEmpty())
        line += QStringLiteral(", oldest ") + days.first()
                + DiagnosticsReport::folderSummary(folder + QLatin1Char('/') + days.first());
    return line;
}

QStringList displayLines(const QList<DisplayInfo>& displays, const QMap<QString, int>& ordinals)
{
    QStringList lines{QStringLiteral("Active displays: ") + QString::number(displays.size())};
    for (const DisplayInfo& display : displays) {
        const auto ordinal = ordinals.constFind(LibraryLayout::displayIdentity(display.facts));
        lines << QStringLiteral("  id=%1 %2x%3 builtin %4 %5")
                     .arg(display.facts.displayNumber)
                     .arg(display.width)
                     .arg(display.height)
                     .arg(boolText(display.isBuiltIn), ordinal == ordinals.constEnd()
                                                           ? QStringLiteral("unnumbered")
                                                           : QStringLiteral("Display") + QString::number(*ordinal));
    }
    return lines;
}

}  // namespace

void DiagnosticsFacts::takeEngineState(const ScreenshotManager& engine)
{
    isCapturing = engine.isCapturing();
    lastCaptureAt = engine.lastCaptureAt();
    nextCaptureAt = engine.nextCaptureAt();
    todayCount = engine.todayCount();
    lastError = engine.lastError();
    lowSpaceFreeBytes = engine.lowSpaceFreeBytes();
}

QStringList DiagnosticsReport::lines(const DiagnosticsFacts& facts, const Preferences& p)
{
    const QString folder = p.folderPath();
    const qint64 limit = p.freeSpaceLimitGB();
    QStringList lines{
        QStringLiteral("Momentra diagnostics"),
        QStringLiteral("Version: ") + facts.version,
        QStringLiteral("Device: %1 (%2)").arg(facts.deviceModel, facts.architecture),
        facts.operatingSystem,
        QStringLiteral("Session: ") + facts.session,
        QStringLiteral("Idle time from: ") + facts.idleSource,
        QStringLiteral("Active app from: ") + facts.frontAppSource,
        QStringLiteral("Global shortcut: ") + facts.globalShortcut,
        QStringLiteral("App uptime: %1s").arg(facts.uptimeSeconds),
        QStringLiteral("Screen Recording permission: ") + boolText(facts.hasCapturePermission),
        QStringLiteral("Onboarding completed: ") + boolText(p.hasCompletedOnboarding()),
        QStringLiteral("Launch at login: ") + boolText(facts.launchesAtLogin),
        QStringLiteral("Capturing: ") + boolText(facts.isCapturing),
        QStringLiteral("Last capture: ") + dateText(facts.lastCaptureAt),
        QStringLiteral("Next capture: ") + dateText(facts.nextCaptureAt),
        QStringLiteral("Captured today: ") + QString::number(facts.todayCount),
        QStringLiteral("Last error: ") + facts.lastError.value_or(QStringLiteral("none")),
        QStringLiteral("Held for low disk space: ")
            + (facts.lowSpaceFreeBytes ? QStringLiteral("yes, %1 free").arg(bytesText(*facts.lowSpaceFreeBytes))
                                       : QStringLiteral("no")),
        QStringLiteral("Interval: %1s").arg(p.intervalSeconds())
            + (p.usesCustomInterval() ? QStringLiteral(" (custom)") : QString()),
        formatLine(p),
        QStringLiteral("Mouse pointer: ") + (p.showsCursor() ? QStringLiteral("shown") : QStringLiteral("hidden")),
        QStringLiteral("Size: ") + (p.capturesHalfSize() ? QStringLiteral("half on HiDPI") : QStringLiteral("full")),
        QStringLiteral("Displays: ") + (p.chosenDisplay() ? p.chosenDisplay()->name : QStringLiteral("all")),
        textSearchLine(p),
        QStringLiteral("Pause when locked: ") + boolText(p.pausesWhenLocked()),
        QStringLiteral("Pause when idle: ")
            + (p.pauseWhenIdle() ? QStringLiteral("true after %1s").arg(p.idleThresholdSeconds())
                                 : QStringLiteral("false")),
        QStringLiteral("Excluded apps: ") + QString::number(p.excludedAppIds().size()),
        QStringLiteral("Hide notifications: ") + boolText(p.hidesNotifications()),
        QStringLiteral("Hide desktop icons: ") + boolText(p.hidesDesktopIcons()),
    };
    lines << folderLines(folder);
    lines << QStringLiteral("Pause capture below: ")
                 + (limit > 0 ? QStringLiteral("%1 GB free").arg(limit) : QStringLiteral("Never"));
    lines << QStringLiteral("Delete older than: ") + DeletionPolicies::rawValue(p.deletionPolicy())
                 + (p.deletesPermanently() ? QStringLiteral(", permanently") : QStringLiteral(", to the Trash"));
    lines << dayFoldersLine(folder);
    lines << displayLines(facts.displays, p.displayOrdinals());
    return lines;
}

QString DiagnosticsReport::text(const DiagnosticsFacts& facts, const Preferences& preferences, EventLog& log,
                                int logDays, int logLines)
{
    return (lines(facts, preferences) << QString() << log.logSection(logDays, logLines)).join(QLatin1Char('\n'));
}

QString DiagnosticsReport::folderSummary(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.isReadable())
        return {};
    qsizetype captures = 0;
    qsizetype others = 0;
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        ++(LibraryLayout::isOwnScreenshotName(name) ? captures : others);
    return QStringLiteral(" (%1, %2)")
        .arg(countText(captures, "capture", "captures"), countText(others, "other file", "other files"));
}
