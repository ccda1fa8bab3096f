'''What Momentra's GNOME Shell extension publishes: the focused window's app
id as the AppId property of app.momentra.Momentra.FocusedApp.'''

BUS_NAME = 'app.momentra.Momentra.ShellExtension'
MAIN_OBJ = '/app/momentra/Momentra/ShellExtension'
MAIN_IFACE = 'app.momentra.Momentra.FocusedApp'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, {'AppId': ''})
