#pragma once

#include "core/Result.h"

// Starting Momentra when the user logs in. The desktop's record is the only
// truth: nothing about it is kept in the settings, and status() reads it anew.
class LoginItems
{
public:
    // The numbers are the ones diagnostics print.
    enum class Status {
        NotRegistered = 0,
        Enabled = 1,
        RequiresApproval = 2,  // the desktop asks the user to allow it first
        NotFound = 3,          // nothing at login could start Momentra from where it is
    };

    virtual ~LoginItems() = default;

    virtual Status status() const = 0;
    // Both may block (a desktop may ask the user): call them off the main thread.
    virtual Result<void> registerItem() = 0;
    virtual Result<void> unregisterItem() = 0;
};
