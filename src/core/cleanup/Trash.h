#pragma once

#include "core/Result.h"

#include <QString>

// The desktop's recoverable waste basket. Moving a file there must keep it
// restorable from the file manager; an implementation never copies and
// deletes a file across devices to get it there.
class Trash
{
public:
    virtual ~Trash() = default;

    // Moves the file at path (never following a final symbolic link) into
    // the Trash and returns where it now lies. Callable from any thread.
    virtual Result<QString> moveToTrash(const QString& path) = 0;
};
