#pragma once

#include "platform/linux/FrontmostAppSource.h"
#include "platform/linux/x11/AppIdResolver.h"

#include <QDBusConnection>

// The app in front on GNOME, which tells no app which window has the focus:
// our GNOME Shell extension (data/gnome-shell/extensions) publishes the
// focused window's app id as the AppId property of
// app.momentra.Momentra.FocusedApp under its own name on the session bus.
// Read when the gate asks, so an extension turned on later is used at once.
class ShellExtensionFrontmostApp : public FrontmostAppSource
{
public:
    explicit ShellExtensionFrontmostApp(QDBusConnection sessionBus);

    std::optional<QString> frontmostAppId() override;

    static constexpr const char* kService = "app.momentra.Momentra.ShellExtension";
    static constexpr const char* kObjectPath = "/app/momentra/Momentra/ShellExtension";
    static constexpr const char* kInterface = "app.momentra.Momentra.FocusedApp";

private:
    QDBusConnection m_bus;
    AppIdResolver m_resolver;
};
