// SPDX-License-Identifier: MIT
// Tells Brisquel, inside fcitx5, the application of the focused window:
// through gnome-shell input methods see no program names, and GNOME offers
// applications no other way to ask which window has the focus.
/* exported init */
const {Gio, GLib, Shell} = imports.gi;

class Extension {
    enable() {
        this._tracker = Shell.WindowTracker.get_default();
        this._focusId = global.display.connect('notify::focus-window', () => this._tell());
        this._tell();
    }

    disable() {
        global.display.disconnect(this._focusId);
        this._focusId = 0;
        this._tracker = null;
    }

    _tell() {
        const win = global.display.focus_window;
        if (!win)
            return;
        // "org.gnome.TextEditor.desktop" -> "org.gnome.TextEditor"; a window
        // without a desktop file goes by its class.
        const app = this._tracker.get_window_app(win);
        let id = app ? app.get_id() : '';
        id = id && !id.startsWith('window:') ? id.replace(/\.desktop$/, '') : win.get_wm_class() || '';
        if (!id)
            return;
        // Never starts fcitx5, never waits: a missing Brisquel is no error here.
        Gio.DBus.session.call('org.fcitx.Fcitx5', '/com/mebrun/velmonte/Focus', 'com.mebrun.velmonte.Focus1',
            'FocusChanged', new GLib.Variant('(ss)', ['gnome-shell extension', id]), null,
            Gio.DBusCallFlags.NO_AUTO_START, 500, null, null);
    }
}

function init() {
    return new Extension();
}
