#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Per-application layouts and the ignored-applications list on headless sway,
# for native Wayland clients that fcitx5 names no program for (foot, GTK on
# Wayland's text-input): the addon names them by the compositor's
# foreign-toplevel list. sway refuses root, so the session runs as nobody with
# its own HOME, XDG_RUNTIME_DIR and D-Bus session; keys come from a virtual
# keyboard with the standard keymap, so their keycodes are the physical keys'.
#   wayland-session.sh BUILD_DIR            (exit 77: cannot run here)
#   wayland-session.sh BUILD_DIR clients N  every kind of client on sway: foot, GTK 3 on the
#       input-method protocol and with fcitx5's module, Qt 5 with fcitx5's module, xterm on
#       XWayland; the fixed cases (ROUNDS=3 runs them three times), then N corpus sentences on
#       the wrong layout per client (BRISQUEL_SEED=S repeats a run)
# BRISQUEL_FCITX5_ARGS adds fcitx5 options (--verbose=default=5) when looking into a failure.
set -u
build=$(cd "$1" && pwd)
mode=${2:-check}
count=${3:-100}
here=$(cd "$(dirname "$0")" && pwd)
tools=$build/desktop-tools

if [ "${BRISQUEL_INNER:-}" != 1 ]; then
  missing=()
  for tool in sway swaymsg foot dbus-run-session fcitx5 fcitx5-remote setpriv; do
    command -v $tool >/dev/null || missing+=($tool)
  done
  for file in "$tools/wayland-keys" "$tools/gtk-probe" "$build/fcitx5/lib/libbrisquel-fcitx5.so"; do
    [ -e "$file" ] || missing+=("$file")
  done
  if ((${#missing[@]})); then
    echo "SKIP: headless sway needs ${missing[*]} (scripts/setup.sh installs the packages)"
    exit 77
  fi
  work=$(mktemp -d "$build/wayland-session.XXXXXX")
  chmod 755 "$work"
  mkdir -p "$work/cache"
  # The dictionaries' indexes other desktop tests built, so a first run is not slow.
  [ -d "$build/desktop-cache/brisquel" ] && cp -r "$build/desktop-cache/brisquel" "$work/cache/"
  as=()
  if [ "$(id -u)" = 0 ]; then
    chown -R 65534:65534 "$work"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  "${as[@]}" env BRISQUEL_INNER=1 BRISQUEL_WORK="$work" BRISQUEL_SHARED_DIR="${BRISQUEL_SHARED_DIR:-/work/shared}" \
    dbus-run-session -- "$0" "$@"
  rc=$?
  [ $rc = 0 ] && rm -rf "$work"
  [ $rc = 0 ] || echo "logs in $work"
  exit $rc
fi

# ---- inside the private session, as an unprivileged user ----
work=$BRISQUEL_WORK
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime LANG=C.UTF-8 LC_ALL=C.UTF-8 NO_AT_BRIDGE=1
unset DISPLAY WAYLAND_DISPLAY GTK_IM_MODULE QT_IM_MODULE XMODIFIERS
mkdir -p -m700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_CONFIG_HOME/sway"
cp "$(dirname "$0")/us-ru.profile" "$XDG_CONFIG_HOME/fcitx5/profile"
printf '[Behavior]\nShareInputState=All\n' >"$XDG_CONFIG_HOME/fcitx5/config"
printf 'output HEADLESS-1 resolution 1280x800\n' >"$XDG_CONFIG_HOME/sway/config"
"$build/src/brisquel" lists >/dev/null  # the list files, as a first start writes them

. "$(dirname "$0")/session-lib.sh"
fail() {
  echo "FAIL: $1"
  exit 1
}

WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$XDG_CONFIG_HOME/sway/config" \
  >"$work/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  socket=$(cd "$XDG_RUNTIME_DIR" && ls wayland-[0-9] 2>/dev/null | head -1)
  SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)
  [ -n "$socket" ] && [ -n "$SWAYSOCK" ] && break
  sleep 0.1
done
[ -n "$socket" ] || fail "sway did not start (see $work/sway.log)"
export WAYLAND_DISPLAY=$socket SWAYSOCK

system_addons=$(dirname "$(ls /usr/lib/*/fcitx5/libwayland.so | head -1)")
export FCITX_ADDON_DIRS=$build/fcitx5/lib:$system_addons XDG_DATA_DIRS=$build/fcitx5/share:/usr/share
addons=keyboard,wayland,waylandim,dbus,brisquel
if [ "$mode" = clients ]; then
  # X11 programs on XWayland (started when the first one connects) reach
  # fcitx5 through XIM; GTK and Qt programs with fcitx5's modules through D-Bus.
  swaymsg exec "echo \$DISPLAY >'$work/xwayland-display'" >/dev/null
  for _ in $(seq 50); do [ -s "$work/xwayland-display" ] && break; sleep 0.1; done
  DISPLAY=$(cat "$work/xwayland-display" 2>/dev/null)
  export DISPLAY
  addons=$addons,dbusfrontend,xcb,xim
fi
fcitx5 ${BRISQUEL_FCITX5_ARGS:-} --disable=all --enable=$addons >"$work/fcitx5.log" 2>&1 &
pids+=($!)
fcitx5_pid=$!
for _ in $(seq 1200); do
  grep -qs "Brisquel is ready" "$work/fcitx5.log" && break
  sleep 0.1
done
grep -qs "Brisquel is ready" "$work/fcitx5.log" || fail "fcitx5 with the Brisquel addon did not come up (see $work/fcitx5.log)"

# app_window APP_ID COMMAND...: starts it and waits for its window
app_window() {
  local id=$1
  shift
  "$@" &
  pids+=($!)
  for _ in $(seq 100); do
    swaymsg -t get_tree 2>/dev/null | grep -q "\"app_id\": \"$id\"" && return
    sleep 0.1
  done
  fail "no window of $id"
}
focus() {  # the application's last window
  swaymsg "[app_id=\"$1\"] focus" >/dev/null
  sleep 1
}
foot_line() {  # a foot window that writes the first line typed into it to FILE
  app_window foot foot -e sh -c "head -n 1 > '$1'"
}

if [ "$mode" = clients ]; then
  . "$here/client-cases.sh"
  terminals="foot xterm-xwayland"
  # One virtual keyboard for the whole session (see wayland-keys).
  mkfifo "$work/keys.in" "$work/keys.out"
  "$tools/wayland-keys" --lines <"$work/keys.in" >"$work/keys.out" 2>>"$work/wayland-keys.err" &
  pids+=($!)
  exec 7>"$work/keys.in" 8<"$work/keys.out"
  client_keys() {
    local client=$1 line
    shift
    swaymsg "[title=\"^$client\$\"] focus" >/dev/null
    sleep 0.3
    (IFS=$'\t'; echo "${GAP:-30}"$'\t'"$*") >&7
    while read -r -t 60 line <&8 && [ "$line" != done ]; do echo "$line"; done
  }
  client_log() { cat "$work/$1.out"; }
  clients=()
  client_open() {  # client command...: its window, by its title
    local client=$1
    wanted "$client" || return
    shift
    "$@" >"$work/$client.out" 2>"$work/$client.err" &
    pids+=($!)
    for _ in $(seq 100); do
      swaymsg -t get_tree 2>/dev/null | grep -q "\"name\": \"$client\"" && { clients+=("$client"); sleep 0.5; return; }
      sleep 0.1
    done
    echo "SKIP $client: no window (see $work/$client.err)"
  }
  client_open foot foot --title foot -e "$here/tty-probe.py" "$work/foot.out" stay
  GDK_BACKEND=wayland GTK_IM_MODULE=wayland client_open gtk3-wayland "$tools/gtk-probe" gtk3-wayland stay
  GDK_BACKEND=wayland GTK_IM_MODULE=fcitx client_open gtk3-fcitx "$tools/gtk-probe" gtk3-fcitx stay
  if [ -x "$tools/qt5-probe" ] && ls /usr/lib/*/qt5/plugins/wayland-shell-integration >/dev/null 2>&1 &&
    ls /usr/lib/*/qt5/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so >/dev/null 2>&1; then
    QT_QPA_PLATFORM=wayland QT_IM_MODULE=fcitx QT_STYLE_OVERRIDE=windows \
      client_open qt5-fcitx "$tools/qt5-probe" qt5-fcitx menubar stay
  else
    echo "SKIP Qt 5 on Wayland: needs qtbase5-dev, qtwayland5 and fcitx5-frontend-qt5"
  fi
  if [ -n "$DISPLAY" ] && command -v xterm >/dev/null; then
    client_open xterm-xwayland xterm -title xterm-xwayland -xrm '*inputMethod: fcitx' \
      -e "$here/tty-probe.py" "$work/xterm-xwayland.out" stay
    sleep 1.5  # xterm connects to the input method after its window shows
  else
    echo "SKIP xterm on XWayland: sway has no XWayland (the xwayland package)"
  fi
  run_clients "$count" "${clients[@]}"
  exit $((failures > 0))
fi

# Two applications, each with its own layout; without the compositor's names
# they would be one application with one layout.
GDK_BACKEND=wayland GTK_IM_MODULE=wayland app_window gtk-probe "$tools/gtk-probe" gtk-a >"$work/gtk-a.out" 2>&1
foot_line "$work/foot-1.line"
check "brisquel status names the compositor as the focused-application source" \
  "$("$build/src/brisquel" status | grep -c 'else by the compositor (zwlr_foreign_toplevel_manager_v1)')" 1
focus gtk-probe
fcitx5-remote -s keyboard-ru
focus foot
fcitx5-remote -s keyboard-us
focus gtk-probe
check "back in the GTK application: its layout (Russian)" "$(fcitx5-remote -n)" keyboard-ru
focus foot
check "back in foot: its layout (English)" "$(fcitx5-remote -n)" keyboard-us

# The GNOME Shell extension's and the KWin script's part, played by a D-Bus
# peer: the application names it tells drive per-application layouts too.
tell() {
  dbus-send --session --type=method_call --dest=org.fcitx.Fcitx5 /com/mebrun/velmonte/Focus \
    com.mebrun.velmonte.Focus1.FocusChanged string:"KWin script" string:"$1"
  sleep 0.5
}
tell org.kde.kwrite
fcitx5-remote -s keyboard-ru
tell foot
check "a desktop helper's names: foot gets its layout back" "$(fcitx5-remote -n)" keyboard-us
tell org.kde.kwrite
check "a desktop helper's names: the other application its own" "$(fcitx5-remote -n)" keyboard-ru
check "brisquel status names the helper" "$("$build/src/brisquel" status | grep -c 'else by the compositor (KWin script)')" 1
tell foot

# Corrections in foot, then foot on the ignored list: left alone there, the
# GTK application still corrected.
"$tools/wayland-keys" @500 =ghbdtn\  Return
sleep 0.5
check "foot: ghbdtn + Space becomes привет" "$(cat "$work/foot-1.line" 2>/dev/null)" "привет "
printf "\nfoot\n" >>"$XDG_DATA_HOME/Velmonte/ignored_apps.txt"
sleep 2.5
foot_line "$work/foot-2.line"
focus foot
fcitx5-remote -s keyboard-us
"$tools/wayland-keys" @500 =ghbdtn\  Return
sleep 0.5
check "foot on the ignored list: ghbdtn stays" "$(cat "$work/foot-2.line" 2>/dev/null)" "ghbdtn "
focus gtk-probe
fcitx5-remote -s keyboard-us
"$tools/wayland-keys" @500 =ghbdtn\  Return
sleep 0.5
check "the GTK application is still corrected" "$(sed -n "s/^[0-9]* FINAL '\(.*\)'$/\1/p" "$work/gtk-a.out")" \
  "привет "
exit $((failures > 0))
