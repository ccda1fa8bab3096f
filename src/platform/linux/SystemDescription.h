#pragma once

#include <QString>

// How this machine and session describe themselves, for the diagnostics report.
class SystemDescription
{
public:
    // The DMI product name ("ThinkPad X1 Carbon Gen 9"), or "unknown".
    static QString deviceModel();
    // The processor architecture of this build ("x86_64").
    static QString architecture();
    // os-release's PRETTY_NAME and the kernel release.
    static QString operatingSystem();
    // "X11" or "Wayland", then the desktop from XDG_CURRENT_DESKTOP.
    static QString session();
};
