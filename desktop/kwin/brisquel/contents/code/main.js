// SPDX-License-Identifier: MIT
// Tells Brisquel, inside fcitx5, the application of the window KWin activates:
// on Wayland, input methods see no program names.
function tell(client) {
    if (!client)
        return;
    var id = client.desktopFileName || String(client.resourceClass || "");
    if (!id)
        return;
    callDBus("org.fcitx.Fcitx5", "/com/mebrun/velmonte/Focus", "com.mebrun.velmonte.Focus1", "FocusChanged",
        "KWin script", id);
}

workspace.clientActivated.connect(tell);
tell(workspace.activeClient);
