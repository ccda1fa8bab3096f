#pragma once

#include <optional>

// What the desktop says about the user's session, gathered for the lock test.
struct LockFacts
{
    enum class Session {
        Present,   // the login manager knows our session
        Missing,   // the login manager answered that our session does not exist
        Unknown,   // no login manager, or no session of ours could be identified
    };

    Session session = Session::Unknown;
    std::optional<bool> lockedHint;     // the session says its screen is locked
    std::optional<bool> active;         // false after switching to another user
    bool screenSaverActive = false;
    std::optional<bool> allDisplaysOff; // nothing when display power cannot be read

    // The lock test, in order: session gone, session locked, session not in
    // front, screen saver showing, every display powered down. Facts that are
    // unknown do not count.
    bool isLocked() const
    {
        if (session == Session::Missing)
            return true;
        if (lockedHint == true)
            return true;
        if (active == false)
            return true;
        if (screenSaverActive)
            return true;
        return allDisplaysOff == true;
    }
};
