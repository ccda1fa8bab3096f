'''KDE's kglobalaccel daemon with the real signatures of the calls Momentra
makes, for tests.

Mock-side helpers: Press(component, action) sends globalShortcutPressed and
globalShortcutReleased; Take(key) gives a key combination to another program,
so setShortcut answers without it; Keys(component, action) lists an action's
present keys.
'''

import re

import dbus
import dbusmock
from dbusmock import MOCK_IFACE

BUS_NAME = 'org.kde.kglobalaccel'
MAIN_OBJ = '/kglobalaccel'
MAIN_IFACE = 'org.kde.KGlobalAccel'
SYSTEM_BUS = False
COMPONENT_IFACE = 'org.kde.kglobalaccel.Component'


def load(mock, parameters):
    mock.actions = {}
    mock.taken = set()


def component_path(self, component):
    path = '/component/' + re.sub('[^A-Za-z0-9_]', '_', component)
    if path not in dbusmock.mockobject.objects:
        self.AddObject(path, COMPONENT_IFACE, {}, [])
    return path


@dbus.service.method(MAIN_IFACE, in_signature='as', out_signature='')
def doRegister(self, action_id):
    self.actions.setdefault((str(action_id[0]), str(action_id[1])), {'keys': [], 'active': True})['active'] = True


@dbus.service.method(MAIN_IFACE, in_signature='asaiu', out_signature='ai')
def setShortcut(self, action_id, keys, flags):
    action = self.actions[(str(action_id[0]), str(action_id[1]))]
    action['keys'] = [int(key) for key in keys if int(key) not in self.taken]
    return dbus.Array(action['keys'], signature='i')


@dbus.service.method(MAIN_IFACE, in_signature='as', out_signature='')
def setInactive(self, action_id):
    self.actions[(str(action_id[0]), str(action_id[1]))]['active'] = False


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='o')
def getComponent(self, component):
    return dbus.ObjectPath(component_path(self, component))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def Press(self, component, action):
    if not self.actions[(component, action)]['active']:
        return
    emitter = dbusmock.mockobject.objects[component_path(self, component)]
    for signal in ('globalShortcutPressed', 'globalShortcutReleased'):
        emitter.EmitSignal(COMPONENT_IFACE, signal, 'ssx', [component, action, dbus.Int64(1000)])


@dbus.service.method(MOCK_IFACE, in_signature='i', out_signature='')
def Take(self, key):
    self.taken.add(int(key))


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='ai')
def Keys(self, component, action):
    found = self.actions.get((component, action))
    return dbus.Array(found['keys'] if found and found['active'] else [], signature='i')
