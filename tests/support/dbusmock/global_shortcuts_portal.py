'''The GlobalShortcuts desktop portal with its real signatures, for tests.

Each request answers on its Request object a moment after the call, as the
portal does. Mock-side helpers: Press(id) sends Activated and Deactivated for
a bound shortcut; Bound() lists the bound shortcuts as id → preferred trigger.
'''

import dbus
import dbusmock
from dbusmock import MOCK_IFACE
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.GlobalShortcuts'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.AddProperty(MAIN_IFACE, 'version', dbus.UInt32(1))
    mock.sessions = []
    mock.bound = {}
    mock.answer = int(parameters.get('answer', 0))


def request(self, sender, options, results):
    path = '%s/request/%s/%s' % (MAIN_OBJ, sender[1:].replace('.', '_'), options['handle_token'])
    self.AddObject(path, 'org.freedesktop.portal.Request', {}, [])
    response = dbus.UInt32(self.answer)

    def respond():
        dbusmock.mockobject.objects[path].EmitSignal('org.freedesktop.portal.Request', 'Response', 'ua{sv}',
                                                     [response, results if response == 0 else {}])
        return False

    GLib.timeout_add(20, respond)
    return dbus.ObjectPath(path)


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
def CreateSession(self, options, sender):
    session = '%s/session/%s/%s' % (MAIN_OBJ, sender[1:].replace('.', '_'), options['session_handle_token'])
    self.sessions.append(session)
    return request(self, sender, options, {'session_handle': dbus.String(session, variant_level=1)})


@dbus.service.method(MAIN_IFACE, in_signature='oa(sa{sv})sa{sv}', out_signature='o', sender_keyword='sender')
def BindShortcuts(self, session, shortcuts, parent_window, options, sender):
    if session not in self.sessions:
        raise dbus.exceptions.DBusException('no such session', name='org.freedesktop.portal.Error.NotFound')
    listed = []
    for shortcut_id, properties in shortcuts:
        self.bound[str(shortcut_id)] = str(properties.get('preferred_trigger', ''))
        listed.append(dbus.Struct((shortcut_id, {
            'description': properties['description'],
            'trigger_description': dbus.String('Press ' + self.bound[str(shortcut_id)], variant_level=1),
        }), signature='sa{sv}'))
    return request(self, sender, options, {'shortcuts': dbus.Array(listed, signature='(sa{sv})', variant_level=1)})


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def Press(self, shortcut_id):
    for signal in ('Activated', 'Deactivated'):
        self.EmitSignal(MAIN_IFACE, signal, 'osta{sv}',
                        [dbus.ObjectPath(self.sessions[-1]), shortcut_id, dbus.UInt64(1000), {}])


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a{sv}')
def Bound(self):
    return self.bound
