#pragma once

#include <QString>

// What a Wayland compositor says about one output: wl_output (make, model,
// mode, scale, name, description) and zxdg_output_v1 (position and size in
// the logical layout).
struct WaylandOutputInfo
{
    quint32 globalName = 0;  // the registry's number for the wl_output
    QString connector;       // "DP-1", "eDP-1", "HEADLESS-1"
    QString description;     // "Dell Inc. DELL U2720Q 5KC0R83 (DP-1)" on wlroots
    QString make, model;
    int x = 0, y = 0;                         // logical position
    int width = 0, height = 0;                // current mode, pixels
    int logicalWidth = 0, logicalHeight = 0;  // size in the logical layout
    int scale = 1;                            // integer buffer scale
};
