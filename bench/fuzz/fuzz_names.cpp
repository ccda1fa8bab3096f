#include "core/library/LibraryLayout.h"

#include <cstdlib>

// Names come from directory listings, so any bytes at all. A name that parses
// as a screenshot must also pass the own-screenshot test (or cleanup would
// keep it forever), and the name made again from its time and display, and
// that name's numbered form (a taken name), must parse to the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<QDateTime> day = LibraryLayout::dayDate(name)) {
        if (!LibraryLayout::isDayFolderName(name) || LibraryLayout::dayFolderName(*day) != name)
            std::abort();
    }
    LibraryLayout::isOwnScreenshotName(name);
    const std::optional<LibraryLayout::ScreenshotName> parsed = LibraryLayout::parseScreenshotName(name);
    if (!parsed)
        return 0;
    const QString file = name + QStringLiteral(".png");
    if (!LibraryLayout::isOwnScreenshotName(file))
        std::abort();
    const QString made = LibraryLayout::screenshotFileName(parsed->time, parsed->ordinal, ScreenshotFormat::Png);
    const QString numbered = LibraryLayout::numberedFileName(made, 2);
    for (const QString& again : {made, numbered}) {
        const auto same = LibraryLayout::parseScreenshotName(again.chopped(4));
        if (!same || same->time != parsed->time || same->ordinal != parsed->ordinal
            || !LibraryLayout::isOwnScreenshotName(again))
            std::abort();
    }
    if (numbered <= made)
        std::abort();
    return 0;
}
