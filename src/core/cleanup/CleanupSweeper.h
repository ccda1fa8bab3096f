#pragma once

#include "core/cleanup/SweepResult.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

class StopFlag;
class Trash;

// One cleanup pass over the screenshots folder. It removes the application's
// own screenshots older than a maximum age from the day folders, tidies the
// day folders it emptied, and reports what it did. It runs off the main
// thread and touches nothing but the file system and its stop flag.
//
// Safety: only a regular file with an own-screenshot name lying directly in a
// day folder is ever removed; a day folder or screenshot name that is a
// symbolic link is left alone and never followed; a folder is removed only
// with rmdir, so one that still holds anything (hidden files included) stays.
class CleanupSweeper
{
public:
    // trash may be null: moving to the Trash then counts as a failure.
    explicit CleanupSweeper(std::shared_ptr<Trash> trash);

    // Count what would go, without removing anything.
    void setDryRun(bool dryRun) { m_dryRun = dryRun; }

    // Nothing when the screenshots folder cannot be listed. A file is old
    // when now − creation > maxAgeSeconds; a day folder created no more than
    // maxAgeSeconds ago cannot hold old screenshots and is not listed.
    std::optional<SweepResult> sweep(const QString& folder, qint64 maxAgeSeconds, bool permanently,
                                     const StopFlag& stop, const QDateTime& now = QDateTime::currentDateTime()) const;

private:
    class Pass;

    std::shared_ptr<Trash> m_trash;
    bool m_dryRun = false;
};
