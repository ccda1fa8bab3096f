#pragma once

#include <QString>

#include <optional>

// What the display service knows about one display, enough to name it
// stably across reconnections. Vendor, model and serial come from EDID;
// all zero when the display has none.
struct DisplayFacts
{
    quint32 displayNumber = 0;    // the service's own number (on X11: the RandR output id)
    std::optional<QString> uuid;  // a platform UUID, when there is one
    quint32 vendor = 0;
    quint32 model = 0;
    quint32 serial = 0;
};
