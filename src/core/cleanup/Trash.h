#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>

// The desktop's recoverable waste basket. Moving a file there must keep it
// restorable from the file manager; an implementation never copies and
// deletes a file across devices to get it there.
class Trash
{
public:
    virtual ~Trash() = default;

    // Moves the file at path (never following a final symbolic link) into
    // the Trash and returns where it now lies. The path is the file system's
    // own bytes: a name that is not valid UTF-8 must reach the file it names.
    // A failure says why without naming the file, so that many files that
    // fail for one cause are told once. Callable from any thread.
    virtual Result<QString> moveToTrash(const QByteArray& path) = 0;
};
