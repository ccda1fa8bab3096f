#pragma once

// Whether an XEmbed system tray (the freedesktop system tray protocol of
// X11 panels such as trayer, stalonetray or XFCE's) runs on the display
// named by DISPLAY: someone owns the _NET_SYSTEM_TRAY_S0 selection.
namespace XEmbedTray {

bool isAvailable();

}  // namespace XEmbedTray
