// Loaded into KWin by Momentra (org.kde.kwin.Scripting loadScript), so that
// capture can pause while an app the user excluded is active: tells
// Momentra the active window's desktop-file name whenever it changes. It
// sends nothing else, and only to Momentra on the session bus.

function report(window) {
    var name = "";
    if (window)
        name = String(window.desktopFileName || window.resourceClass || "");
    callDBus("app.momentra.Momentra", "/app/momentra/Momentra/ActiveWindow", "app.momentra.Momentra.ActiveWindow",
             "SetActiveWindow", name);
}

if (workspace.windowActivated) {  // KWin 6
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {  // KWin 5
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
