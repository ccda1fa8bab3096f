"""A StatusNotifierWatcher for tests: owns org.kde.StatusNotifierWatcher on the
session bus, says a host is there, prints "registered SERVICE PATH" for each
item that registers and, as a host does on NewTitle, reads the item's Title
again and prints "title TEXT". Run with Debian's /usr/bin/python3
(python3-dbus)."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IFACE = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []

    @dbus.service.method(IFACE, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = service if service.startswith("/") else "/StatusNotifierItem"
        name = sender if service.startswith("/") else service
        self.items.append(name + path)
        print("registered", name, path, flush=True)
        self.StatusNotifierItemRegistered(name + path)

    @dbus.service.method(IFACE, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(IFACE, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    # Qt reads the host flag through introspection, which must list the properties.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s", path_keyword="path",
                         connection_keyword="connection")
    def Introspect(self, path, connection):
        properties = ('<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
                      '<property name="ProtocolVersion" type="i" access="read"/>'
                      '<property name="RegisteredStatusNotifierItems" type="as" access="read"/>')
        xml = super().Introspect(path, connection)
        return xml.replace('<interface name="%s">' % IFACE, '<interface name="%s">%s' % (IFACE, properties))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s")}


def on_new_title(sender=None, path=None):
    title = session.call_blocking(sender, path, dbus.PROPERTIES_IFACE, "Get", "ss", [ITEM, "Title"])
    print("title", title, flush=True)


DBusGMainLoop(set_as_default=True)
session = dbus.SessionBus()
session.add_signal_receiver(on_new_title, signal_name="NewTitle", dbus_interface=ITEM, sender_keyword="sender",
                            path_keyword="path")
watcher = Watcher(session)
name = dbus.service.BusName(IFACE, session)
print("ready", flush=True)
GLib.MainLoop().run()
sys.exit(0)
