#pragma once

#include "core/library/DisplayFacts.h"
#include "core/library/OrdinalAssignment.h"
#include "core/library/ScreenshotFormat.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The on-disk format of the screenshot library: the screenshots folder holds
// day folders named "yyyy-MM-dd"; each holds files named
// "Momentra_yyyy-MM-dd_HH-mm-ss[_DisplayN].ext". Dates are formatted in the
// local time zone with a fixed POSIX locale. Everything here is stateless.
class LibraryLayout
{
public:
    static constexpr int kMaximumStoredOrdinals = 16;

    static QString dayFolderName(const QDateTime& date);
    // The start of that local day, only when formatting it again gives the same text.
    static std::optional<QDateTime> dayDate(const QString& folderName);
    // The day folder a user means by "today", "yesterday" or "yyyy-MM-dd".
    static std::optional<QString> namedDay(const QString& word, const QDateTime& now);
    static QString fileTimeText(const QDateTime& date);  // "yyyy-MM-dd_HH-mm-ss"
    static std::optional<QDateTime> fileTimeDate(const QString& text);
    static QString screenshotFileName(const QDateTime& date, int ordinal, ScreenshotFormat format);
    // The name for a screenshot whose name is already taken (two captures in
    // one second, a clock stepped back, the repeated hour when daylight
    // saving time ends): "_2", "_3", … after the time and display parts.
    // It stays an own screenshot's name and sorts after the taken one.
    static QString numberedFileName(const QString& fileName, int number);

    // What a screenshot's name says, from its name without the extension:
    // "Momentra_" + time [+ "_Display" + ordinal] [+ "_" + number].
    struct ScreenshotName
    {
        QDateTime time;  // local time
        int ordinal = 1;
    };
    static std::optional<ScreenshotName> parseScreenshotName(const QString& baseName);

    static bool isDayFolderName(const QString& name);
    static bool isOwnScreenshotName(const QString& name);

    static int countOwnScreenshots(const QString& dayFolder);
    static int todayCount(const QString& screenshotsFolder, const QDateTime& now = QDateTime::currentDateTime());

    static QString displayIdentity(const DisplayFacts& facts);

    // Display order: built-in first, then the main display, then the rest in
    // the service's order. Returns indexes into the given list.
    struct DisplayRankInput
    {
        bool isBuiltIn = false;
        bool isMain = false;
    };
    static QList<int> orderDisplays(const QList<DisplayRankInput>& displays);

    static OrdinalAssignment assignOrdinals(const QStringList& identities, const QMap<QString, int>& existing);
};
