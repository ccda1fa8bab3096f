#include "core/library/LibraryLayout.h"

#include <cstdlib>

// Names come from directory listings, so any bytes at all. A name that parses
// as a screenshot must also pass the own-screenshot test (or cleanup would
// keep it forever), and its numbered form must parse to the same time and display.
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
    const QString numbered = LibraryLayout::numberedFileName(file, 2);
    const auto again = LibraryLayout::parseScreenshotName(numbered.chopped(4));
    if (!again || again->time != parsed->time || again->ordinal != parsed->ordinal || numbered <= file)
        std::abort();
    return 0;
}
