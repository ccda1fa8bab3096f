// Publishes the focused window's app id on the session bus for Momentra,
// which pauses capture while an app the user excluded is active: GNOME Shell
// tells no app which window has the focus. Name app.momentra.Momentra.ShellExtension,
// object /app/momentra/Momentra/ShellExtension, property AppId of
// app.momentra.Momentra.FocusedApp (a desktop-file id without ".desktop",
// empty when no app window has the focus), with PropertiesChanged.

import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Shell from 'gi://Shell';

import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const BUS_NAME = 'app.momentra.Momentra.ShellExtension';
const OBJECT_PATH = '/app/momentra/Momentra/ShellExtension';
const INTERFACE = `
<node>
  <interface name="app.momentra.Momentra.FocusedApp">
    <property name="AppId" type="s" access="read"/>
  </interface>
</node>`;

class FocusedApp {
    constructor() {
        this._appId = '';
        this._tracker = Shell.WindowTracker.get_default();
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._owner = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME, Gio.BusNameOwnerFlags.NONE,
            null, null);
        this._focus = global.display.connect('notify::focus-window', () => this._update());
        this._update();
    }

    get AppId() {
        return this._appId;
    }

    destroy() {
        global.display.disconnect(this._focus);
        Gio.bus_unown_name(this._owner);
        this._object.unexport();
    }

    _update() {
        const window = global.display.focus_window;
        let id = '';
        if (window) {
            const app = this._tracker.get_window_app(window);
            id = app?.get_id() ?? '';
            // Windows of no installed app: their sandbox id or window class, as Momentra names them on X11.
            if (!id || id.startsWith('window:'))
                id = window.get_sandboxed_app_id() ?? window.get_gtk_application_id() ?? window.get_wm_class() ?? '';
        }
        if (id.endsWith('.desktop'))
            id = id.slice(0, -'.desktop'.length);
        if (id === this._appId)
            return;
        this._appId = id;
        this._object.emit_property_changed('AppId', new GLib.Variant('s', id));
    }
}

export default class MomentraExtension extends Extension {
    enable() {
        this._focusedApp = new FocusedApp();
    }

    disable() {
        this._focusedApp?.destroy();
        this._focusedApp = null;
    }
}
