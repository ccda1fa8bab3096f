'''KWin's scripting interface (org.kde.kwin.Scripting on org.kde.KWin
/Scripting), its real methods: scripts are kept by plugin name, a file that
does not exist is refused with -1 as KWin does.'''

BUS_NAME = 'org.kde.KWin'
MAIN_OBJ = '/Scripting'
MAIN_IFACE = 'org.kde.kwin.Scripting'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.scripts = {}
    mock.AddMethods(MAIN_IFACE, [
        ('loadScript', 'ss', 'i',
         'ret = -1 if not os.path.isfile(args[0]) or args[1] in self.scripts else len(self.scripts); '
         'self.scripts.update({args[1]: args[0]} if ret >= 0 else {})'),
        ('loadDeclarativeScript', 'ss', 'i', 'ret = -1'),
        ('isScriptLoaded', 's', 'b', 'ret = args[0] in self.scripts'),
        ('unloadScript', 's', 'b', 'ret = self.scripts.pop(args[0], None) is not None'),
        ('start', '', '', ''),
    ])
