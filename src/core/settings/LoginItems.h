#pragma once

#include <QString>

// The desktop's launch-at-login service (an XDG autostart entry on Linux).
class LoginItems
{
public:
    enum class Status { NotRegistered = 0, Enabled = 1, RequiresApproval = 2, NotFound = 3 };

    virtual ~LoginItems() = default;
    virtual Status status() const = 0;
    // Errors carry a user-facing message; an empty string means success.
    virtual QString registerItem() = 0;
    virtual QString unregisterItem() = 0;
};
