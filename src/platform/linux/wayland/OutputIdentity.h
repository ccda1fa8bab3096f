#pragma once

#include "core/capture/ScreenSource.h"
#include "platform/linux/wayland/WaylandOutputInfo.h"

// Names and identifies a Wayland output the way X11 displays are: a display
// whose EDID the compositor passes on (wlroots puts make, model and serial
// into the output's description) keeps one identity on every connector; one
// without is known by its connector. The name is the monitor's model where
// there is one, else the connector.
class OutputIdentity
{
public:
    static DisplayInfo describe(const WaylandOutputInfo& output);

    // Make, model and serial from a wlroots description "MAKE MODEL SERIAL (CONNECTOR)",
    // given the make and model wl_output reported; the serial is empty when absent.
    static QString serialFromDescription(const WaylandOutputInfo& output);

private:
    static bool hasMonitorIdentity(const WaylandOutputInfo& output, const QString& serial);
};
