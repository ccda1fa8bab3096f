#pragma once

#include <QByteArray>
#include <QString>

// The hidden files screenshots and videos are written under before they are
// renamed to their final name: ".<name>.partial-<pid>-XXXXXX", named with
// the writer's process id, so that the partial file of a process that was
// killed in the middle of a write can be told from one still being written.
class PartialFiles
{
public:
    // A partial file is abandoned once its writer has ended, or in any case
    // after this long (a process id may be reused; no write takes that long).
    static constexpr qint64 kAbandonedAfterSeconds = 600;

    // The mkstemp() template for a partial file beside `finalPath`.
    static QByteArray pattern(const QString& finalPath);
    static bool isPartialName(const QString& fileName);

    // Removes the abandoned partial files in the folder open at dirFd and
    // returns how many went. Links and other non-files are left alone.
    static int removeAbandoned(int dirFd);
    // The same in a screenshots folder and every day folder in it.
    static int removeAbandonedInLibrary(const QString& screenshotsFolder);
};
