'''GNOME's idle monitor (org.gnome.Mutter.IdleMonitor), its real methods and
signal; the idle time is set with the mock interface's SetIdletime.'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.gnome.Mutter.IdleMonitor'
MAIN_OBJ = '/org/gnome/Mutter/IdleMonitor/Core'
MAIN_IFACE = 'org.gnome.Mutter.IdleMonitor'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.idletime = dbus.UInt64(0)
    mock.AddMethods(MAIN_IFACE, [
        ('GetIdletime', '', 't', 'ret = self.idletime'),
        ('AddIdleWatch', 't', 'u', 'ret = 1'),
        ('AddUserActiveWatch', '', 'u', 'ret = 2'),
        ('RemoveWatch', 'u', '', ''),
        ('ResetIdletime', '', '', 'self.idletime = dbus.UInt64(0)'),
    ])


@dbus.service.method(MOCK_IFACE, in_signature='t', out_signature='')
def SetIdletime(self, milliseconds):
    self.idletime = dbus.UInt64(milliseconds)
