#pragma once

#include <QString>

#include <optional>

// Where the excluded-app gate learns which application is in front: its
// desktop-file id (".desktop" stripped), the same id on every desktop, so
// one excluded list serves X11 and Wayland alike.
class FrontmostAppSource
{
public:
    virtual ~FrontmostAppSource() = default;

    // Nothing when no application is in front or the desktop does not say.
    virtual std::optional<QString> frontmostAppId() = 0;
};
