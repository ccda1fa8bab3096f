#pragma once

#include "core/shortcuts/HotKeyService.h"

#include <QHash>
#include <QObject>

#include <optional>

// What the services of desktops that keep the keys themselves (the
// GlobalShortcuts portal, KDE's kglobalaccel) share: the registrations by
// handle, each known to the desktop by its shortcut's name, and the desktop's
// press or release of a name handed on to the handler while hot-key events
// are on. The desktop has the last word on the keys.
class DesktopHotKeyService : public QObject, public HotKeyService
{
    Q_OBJECT

public:
    void installEventHandler(Handlers handlers) override { m_handlers = std::move(handlers); }
    void setHotKeyEventsEnabled(bool enabled) override { m_hotKeyEventsEnabled = enabled; }
    void setRawKeyEventsEnabled(bool) override {}
    bool isDesktopManaged() const override { return true; }

protected:
    struct Registration
    {
        Identifier identifier;
        int keyCode = 0;
        int modifiers = 0;
    };

    explicit DesktopHotKeyService(QObject* parent)
        : QObject(parent)
    {
    }

    // The name the desktop knows a shortcut by: its own, or "shortcutN" for one without.
    static QString bindingName(const Identifier& identifier);
    Handle add(const Registration& registration);
    std::optional<Registration> take(Handle handle);
    const QHash<Handle, Registration>& registrations() const { return m_registrations; }
    // The desktop pressed or released the binding of that name.
    void deliver(EventKind kind, const QString& name);

private:
    Handlers m_handlers;
    bool m_hotKeyEventsEnabled = false;
    Handle m_lastHandle = 0;
    QHash<Handle, Registration> m_registrations;
};
