#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real stack in a private headless session that leaves the user's desktop
# alone: Xvfb (-displayfd, -noreset), a private D-Bus session, fcitx5 with the
# Brisquel addon from the build tree and the keyboard input methods only, and
# real applications. Keys are pressed on the Xvfb keyboard device, so they
# look physical; what the applications hold is read from the applications.
#   desktop-session.sh BUILD_DIR check     the desktop tests (exit 77: cannot run here)
#   desktop-session.sh BUILD_DIR demo      shows what a GTK application holds
#   desktop-session.sh BUILD_DIR latency N Space-to-corrected-text over N corrections, in GTK 3,
#                                          Qt 6 and Chromium, and the addon's time per key
#                                          (PREFILL=C: GTK's and Qt's fields start with C characters
#                                          of English text, as in a long paragraph); first
#                                          bench/page_stall's figure for the machine
#   desktop-session.sh BUILD_DIR savecost N  file calls of N saves (words learned by hand), by thread
#   desktop-session.sh BUILD_DIR tray      the status item and its menu, as a panel sees them
#   desktop-session.sh BUILD_DIR status    brisquel status and the launcher, starting with no fcitx5
#   desktop-session.sh BUILD_DIR startup N fcitx5 started N times without the addon, with its caches and
#                                          with none: time to ready, first correction, memory
#   desktop-session.sh BUILD_DIR alerts    the permission alert as a desktop notification
#   desktop-session.sh BUILD_DIR hostsafety  the settings lock held by another process, quick
#                                          conversions, hostile menu calls, the status item's lost
#                                          connection, two sessions sharing a home, a kill during a save
#   desktop-session.sh BUILD_DIR setup     brisquel setup in a fresh home with GNOME's us and ru, then a session
#   desktop-session.sh BUILD_DIR clients N every kind of client (GTK 3 and 4, Qt 5 and 6, xterm,
#                                          Chromium): fixed cases (ROUNDS=3 runs them three times), then
#                                          N corpus sentences on the wrong layout per client counted
#                                          corrected / as typed / corrupted (BRISQUEL_SEED=S repeats a run)
set -u
build=$(cd "$1" && pwd)
mode=${2:-check}
count=${3:-100}
here=$(cd "$(dirname "$0")" && pwd)
tools=$build/desktop-tools

if [ "${BRISQUEL_INNER:-}" != 1 ]; then
  missing=()
  for tool in Xvfb dbus-run-session fcitx5 fcitx5-remote xterm xprop strace flock; do
    command -v $tool >/dev/null || missing+=($tool)
  done
  for file in "$tools/press-keys" "$tools/gtk-probe" "$tools/notification-server" \
    "$build/fcitx5/lib/libbrisquel-fcitx5.so"; do
    [ -x "$file" ] || [ -f "$file" ] || missing+=("$file")
  done
  gtk_module=$(ls /usr/lib/*/gtk-3.0/3.0.0/immodules/im-fcitx5.so 2>/dev/null | head -1)
  [ -n "$gtk_module" ] || missing+=(fcitx5-frontend-gtk3)
  if ((${#missing[@]})); then
    echo "SKIP: the real desktop stack needs ${missing[*]} (scripts/setup.sh installs the packages)"
    exit 77
  fi
  work=$(mktemp -d "$build/desktop-session.XXXXXX")
  exec 3>"$work/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x600x24 >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start (see $work/xvfb.log)"
    kill $xvfb 2>/dev/null
    exit 1
  fi
  export DISPLAY=:$(head -1 "$work/display")
  BRISQUEL_INNER=1 BRISQUEL_WORK=$work dbus-run-session -- "$0" "$@"
  rc=$?
  kill $xvfb 2>/dev/null
  wait $xvfb 2>/dev/null
  [ $rc = 0 ] && [ "$mode" != latency ] && rm -rf "$work"
  [ $rc = 0 ] || echo "logs in $work"
  exit $rc
fi

# ---- inside the private session ----
work=$BRISQUEL_WORK
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=${BRISQUEL_CACHE_HOME:-$build/desktop-cache} XDG_RUNTIME_DIR=$work/runtime
export LANG=C.UTF-8 LC_ALL=C.UTF-8 NO_AT_BRIDGE=1
mkdir -p -m700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_CACHE_HOME"
system_addons=$(dirname "$(ls /usr/lib/*/fcitx5/libxim.so | head -1)")
export FCITX_ADDON_DIRS=$build/fcitx5/lib:$system_addons   # replaces fcitx5's list: keep its own
export XDG_DATA_DIRS=$build/fcitx5/share:/usr/local/share:/usr/share
# setup: a fresh home whose GNOME settings (a keyfile through gsettings) hold
# us and ru; brisquel setup writes fcitx5's profile and the session's
# variables, which the session started below uses.
home_files() { (cd "$HOME" && find . -type f ! -path './.cache/*' -exec md5sum {} + | sort -k2); }
if [ "$mode" = setup ]; then
  export GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=GNOME XDG_STATE_HOME=$HOME/.local/state
  gsettings set org.gnome.desktop.input-sources sources "[('xkb', 'us'), ('xkb', 'ru')]"
  home_files >"$work/home-before"
  "$build/src/brisquel" setup >"$work/setup.out" 2>&1 || { cat "$work/setup.out"; echo "FAIL: brisquel setup"; exit 1; }
  if [ -f "$HOME/.xinputrc" ]; then  # im-config's run_im fcitx5 sets these
    [ "$mode" = setup ] || export GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
  else
    set -a
    . "$XDG_CONFIG_HOME/environment.d/90-brisquel-fcitx5.conf"
    set +a
  fi
else
cp "$here/us-ru.profile" "$XDG_CONFIG_HOME/fcitx5/profile"
# One layout for the whole session: per-application layouts are the program's.
printf '[Behavior]\nShareInputState=All\n' >"$XDG_CONFIG_HOME/fcitx5/config"
fi

. "$here/session-lib.sh"

# brisquel status with no host; two launchers at once, then a third; brisquel
# status against the fcitx5 they started. fcitx5 starts through a wrapper
# that counts the starts.
status_check() {
  local brisquel=$build/src/brisquel launcher=$build/src/velmonte-launcher out rc owner
  mkdir -p "$work/bin"
  printf '#!/bin/sh\necho "$*" >>"%s"\nexec "%s" "$@"\n' "$work/fcitx5-starts" "$(command -v fcitx5)" >"$work/bin/fcitx5"
  chmod +x "$work/bin/fcitx5"
  export GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
  out=$("$brisquel" status)
  check "status with no host exits 1" "$?" 1
  check "status with no host says so" "$(echo "$out" | head -1)" \
    "Brisquel is not running in this session: fcitx5 is not running."
  PATH=$work/bin:$PATH "$launcher" >"$work/launcher-1.log" 2>&1 &
  local first=$!
  PATH=$work/bin:$PATH "$launcher" >"$work/launcher-2.log" 2>&1
  rc=$?
  wait $first
  check "two launchers at once both quit" "$?:$rc" "0:0"
  owner=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.fcitx.Fcitx5 2>/dev/null | sed -n 's/.*uint32 //p')
  [ -n "$owner" ] && pids+=($owner)
  check "two launchers at once start one fcitx5" "$(cat "$work/fcitx5-starts" 2>/dev/null)" "-d --enable=brisquel"
  check "fcitx5 owns its name" "$(basename "$(readlink "/proc/$owner/exe" 2>/dev/null)")" fcitx5
  PATH=$work/bin:$PATH "$launcher" >"$work/launcher-3.log" 2>&1
  check "a launcher with fcitx5 running starts none" "$?:$(wc -l <"$work/fcitx5-starts")" "0:1"
  for _ in $(seq 300); do  # the addon's object comes after fcitx5's name
    out=$("$brisquel" status) && break
    sleep 0.1
  done
  check "status with the host running exits 0" "$("$brisquel" >/dev/null; echo $?)" 0
  check "status names the host's layouts" "$(echo "$out" | sed -n 's/^Layouts: \(.*\) (current: keyboard-.*)$/\1/p')" \
    "keyboard-us, keyboard-ru"
  # The host tells which paths it has had input from: the GTK module, XIM.
  "$tools/gtk-probe" status-gtk >/dev/null 2>&1 &
  pids+=($!)
  xterm -title status-xterm -xrm '*inputMethod: fcitx' -e sleep 60 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do
    out=$("$brisquel" status)
    [ "$(echo "$out" | grep -c 'has had their input')" = 3 ] && break
    sleep 0.1
  done
  check "status has seen GTK and X11 input" "$(echo "$out" | grep -c 'has had their input')" 3
  # Launch at login is on by default: the host registered the launcher.
  check "the host made the launcher the autostart entry" \
    "$(sed -n 's|^Exec=.*/||p' "$XDG_CONFIG_HOME/autostart/com.mebrun.velmonte.desktop" 2>/dev/null)" velmonte-launcher
  [ $failures = 0 ] || echo "$out"
  return $((failures > 0))
}
[ "$mode" = status ] && { status_check; exit $?; }

# probe_session gtk|qt NAME KEYS... : a text field typed into (on LAYOUT, else
# the US layout); prints its final text
probe_session() {
  local probe=$tools/$1-probe name=$2
  shift 2
  fcitx5-remote -s "${LAYOUT:-keyboard-us}"
  "$probe" "$name" >"$work/$name.out" 2>"$work/$name.err" &
  local pid=$!
  pids+=($pid)
  "$tools/press-keys" --window "$name" "$@" >"$work/$name.keys" 2>>"$work/$name.err"
  for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill $pid 2>/dev/null
  sed -n "s/^[0-9]* FINAL '\(.*\)'$/\1/p" "$work/$name.out"
}
gtk_session() { probe_session gtk "$@"; }

# startup N: N rounds of three fcitx5 starts: without the addon, with the
# dictionaries' indexes cached, and with an empty cache (a first start). For
# each: "Brisquel is ready" after fcitx5 loaded the addon, whether the first
# word typed then is corrected, and fcitx5's resident memory after the start,
# after ten corpus sentences typed on the wrong layout, and at its peak.
startup_measure() {
  local runs=$1 round kind log cache pid enable ready first rss typed peak keys layout
  local corpus=${BRISQUEL_SHARED_DIR:-/work/shared}/data/corpus base=keyboard,xcb,xim,dbus,dbusfrontend
  export GTK_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
  at() { awk -v want="$2" 'index($0, want) { split($2, t, ":"); printf "%.3f\n", t[1] * 3600 + t[2] * 60 + t[3]; exit }' "$1"; }
  mb() { awk -v key="$2:" '$1 == key { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
  [ -f "$corpus/ru.txt" ] && "$here/corpus-sentences.py" make "$build/src/brisquel" "$corpus" 10 1 >"$work/startup.tsv"
  for ((round = 1; round <= runs; round++)); do
    for kind in without cached empty; do
      log=$work/startup-$kind-$round.log
      cache=$build/desktop-cache enable=$base,brisquel
      [ $kind = empty ] && cache=$(mktemp -d "$work/cache.XXXXXX")
      [ $kind = without ] && enable=$base
      XDG_CACHE_HOME=$cache fcitx5 --disable=all --enable=$enable >"$log" 2>&1 &
      pid=$!
      for _ in $(seq 600); do
        if [ $kind = without ]; then
          xprop -root XIM_SERVERS 2>/dev/null | grep -q '@server=fcitx' && break
        else
          grep -qs "Brisquel is ready" "$log" && break
        fi
        sleep 0.01
      done
      ready=- first=-
      if [ $kind != without ]; then
        ready=$(awk -v a="$(at "$log" "Loaded addon brisquel")" -v b="$(at "$log" "Brisquel is ready")" \
          'BEGIN { if (b == "") print "never"; else printf "%d ms", (b - a) * 1000 }')
        first=$(gtk_session startup-first "=ghbdtn " Return)
      fi
      sleep 1
      rss=$(mb $pid VmRSS)
      while IFS=$'\t' read -r keys layout _; do LAYOUT=$layout gtk_session startup-typing "=$keys" Return >/dev/null; done \
        <"$work/startup.tsv"
      sleep 1
      typed=$(mb $pid VmRSS) peak=$(mb $pid VmHWM)
      printf '%-7s round %d: ready %-8s first word "%s"  fcitx5 MB: %s after the start, %s after typing, peak %s\n' \
        $kind $round "$ready" "$first" "$rss" "$typed" "$peak"
      kill $pid
      wait $pid 2>/dev/null
      [ $kind = empty ] && rm -rf "$cache"
    done
  done
}
[ "$mode" = startup ] && { startup_measure "$count"; exit $?; }

# The probes are found on the PATH, as installed programs are.
export PATH=$tools:$PATH
# alerts: a test notification server, openers that write down what they
# are asked to open, Russian as the interface language, and fcitx5 not the
# input method of GTK applications, so the program asks for the permission.
ready_line="Brisquel is ready"
if [ "$mode" = alerts ]; then
  ready_line="Loaded addon brisquel"  # without the permission no dictionary is loaded
  "$tools/notification-server" "$work/notifications" 2>"$work/notification-server.err" &
  pids+=($!)
  for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
      string:org.freedesktop.Notifications 2>/dev/null | grep -q true && break
    sleep 0.1
  done
  mkdir -p "$work/bin"
  for opener in xdg-open im-config brisquel; do
    printf '#!/bin/sh\necho "%s $1" >>"%s"\n' $opener "$work/opened" >"$work/bin/$opener"
    chmod +x "$work/bin/$opener"
  done
  export PATH=$work/bin:$PATH LANGUAGE=ru GTK_IM_MODULE=ibus
fi
log=$work/fcitx5.log
[ "$mode" = peer ] && log=$work/fcitx5-peer.log
fcitx5 --disable=all --enable=keyboard,xcb,xim,dbus,dbusfrontend,brisquel >"$log" 2>&1 &
pids+=($!)
fcitx5_pid=$!
ready=0
for _ in $(seq 1200); do  # a first run builds the dictionaries' indexes
  if grep -qs "$ready_line" "$log" &&
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
      string:org.fcitx.Fcitx5 2>/dev/null | grep -q true &&
    xprop -root XIM_SERVERS 2>/dev/null | grep -q '@server=fcitx'; then
    ready=1
    break
  fi
  sleep 0.1
done
if [ $ready != 1 ]; then
  echo "FAIL: fcitx5 with the Brisquel addon did not come up (see $log)"
  exit 1
fi
export GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx

# Chromium (the browsers and Electron applications built on it), one window
# with a text area for every case: each Return logs the text and empties it.
chromium_start() {
  local name=$1
  chromium --no-sandbox --user-data-dir="$work/chromium-profile" --disable-gpu --disable-background-networking \
    --disable-component-update --no-first-run --no-default-browser-check --password-store=basic \
    --enable-logging=stderr --v=0 --app="file://$here/textarea.html#$name" >"$work/$name.log" 2>&1 &
  pids+=($!)
}
chromium_session() {  # name layout keys...: what the text area held at Return
  local name=$1 layout=$2 seen
  shift 2
  seen=$(grep -ac ' FINAL '"'" "$work/$name.log")
  fcitx5-remote -s "$layout"
  "$tools/press-keys" --window "$name" --gap "${GAP:-30}" "$@" Return >>"$work/$name.keys" 2>>"$work/$name.err"
  for _ in $(seq 50); do [ "$(grep -ac ' FINAL '"'" "$work/$name.log")" -gt "$seen" ] && break; sleep 0.1; done
  grep -a ' FINAL '"'" "$work/$name.log" | tail -1 | sed "s/.*\"[0-9]* FINAL '\\(.*\\)'\", source.*/\\1/"
}

# xterm_session NAME KEYS... : xterm (XIM) reading one line; prints the line
xterm_session() {
  local name=$1
  shift
  fcitx5-remote -s keyboard-us
  rm -f "$work/$name.line"
  xterm -title "$name" -xrm '*inputMethod: fcitx' -e sh -c "head -n 1 > '$work/$name.line'" 2>"$work/$name.err" &
  local term=$!
  pids+=($term)
  # xterm connects to the input method after its window shows: keys before that go by it.
  "$tools/press-keys" --window "$name" @800 "$@" >"$work/$name.keys" 2>>"$work/$name.err"
  for _ in $(seq 50); do kill -0 $term 2>/dev/null || break; sleep 0.1; done
  kill $term 2>/dev/null
  cat "$work/$name.line" 2>/dev/null
}

# wait_registered FILE N: the Nth item a test watcher saw register (none after 10 s)
wait_registered() {
  local found=
  for _ in $(seq 100); do
    found=$(sed -n "$2s/^registered //p" "$1")
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

# tray_session: the status item seen by a test panel (sni-probe): it registers
# when the watcher appears, its menu has the menu model's rows in order with
# their states in two interface languages, a click changes the setting and the
# row, and the icon is the drawn one (the README's images) as it changes.
tray_session() {
  local probe=$tools/sni-probe docs=$here/../../../../docs item=
  # The model's check boxes, radio buttons and submenus as `brisquel menu` prints them, and the item's
  # with the title of the model's untitled one (Toggle All, which the panel's menu names) left out.
  model_rows() { "$build/src/brisquel" menu --lang "$1" | sed -E 's/ tag=[0-9]+//; s/^ +//' |
    grep -E '^(check|radio|submenu)'; }
  item_rows() {
    local untitled=$(model_rows en | grep -n ' ""$' | cut -d: -f1)
    "$probe" layout "$item" | sed -E 's/^ +//' | grep -E '^(check|radio|submenu)' | sed -E "${untitled}s/\"[^\"]*\"$/\"\"/"
  }
  wait_item() {  # the Nth registration the watcher saw
    for _ in $(seq 100); do
      item=$(sed -n "$1s/^registered //p" "$work/watcher.out")
      [ -n "$item" ] && return
      sleep 0.1
    done
  }
  setting() { sed -n "/<key>$1<\/key>/{n;s/^[[:space:]]*<\(true\|false\)\/>.*/\1/p}" "$XDG_CONFIG_HOME/com.mebrun.velmonte.plist"; }

  check "tray: without a watcher fcitx5 logs it once" "$(grep -c 'no StatusNotifierWatcher' "$work/fcitx5.log")" 1
  "$probe" watch >"$work/watcher.out" 2>"$work/watcher.err" &
  pids+=($!)
  wait_item 1
  check "tray: the item registers when a watcher appears" "${item:+registered}" registered
  check "tray: English menu rows" "$(item_rows)" "$(model_rows en)"
  check "tray: the icon is the menu-bar icon" "$("$probe" icon "$item" "$docs/menu-bar-icon.png")" same
  check "tray: a click on a check box updates the menu" "$("$probe" click "$item" "Auto 'typo' switcher")" updated
  check "tray: ... writes the setting" "$(setting ENABLE_TYPO_DETECTOR)" false
  check "tray: ... and the row shows it" "$(item_rows | grep -c "^check off \"Auto 'typo' switcher\"")" 1
  check "tray: a click on a radio button" "$("$probe" click "$item" "Shift ⇧ + Option ⌥")" updated
  check "tray: the rows after the clicks" "$(item_rows)" "$(model_rows en)"
  "$probe" click "$item" "Show layout in menu bar" >/dev/null
  check "tray: Show layout in menu bar draws EN" "$("$probe" icon "$item" "$docs/indicator-en.png")" same
  # A focused text field, switched to Russian.
  "$tools/gtk-probe" tray-field >/dev/null 2>&1 &
  pids+=($!)
  "$tools/press-keys" --window tray-field @300 >/dev/null 2>&1
  fcitx5-remote -s keyboard-ru
  check "tray: switching the layout draws RU" "$("$probe" icon "$item" "$docs/indicator-ru.png")" same
  kill ${pids[-1]}

  # fcitx5 again, in Russian.
  kill ${pids[0]}
  wait ${pids[0]} 2>/dev/null
  LANGUAGE=ru fcitx5 --disable=all --enable=keyboard,xcb,xim,dbus,dbusfrontend,brisquel >"$work/fcitx5-ru.log" 2>&1 &
  pids+=($!)
  wait_item 2
  check "tray: the item registers again" "${item:+registered}" registered
  for _ in $(seq 100); do grep -q "Brisquel is ready" "$work/fcitx5-ru.log" && break; sleep 0.1; done
  check "tray: Russian menu rows" "$(item_rows)" "$(model_rows ru)"
}

# hostsafety_session: what holds the keyboard up or loses learned words on
# the real host. Checks what the field, the menu and the files hold.
hostsafety_session() {
  local plist=$XDG_CONFIG_HOME/com.mebrun.velmonte.plist learned=$XDG_DATA_HOME/Velmonte/learned_words.txt
  local lock=$XDG_CONFIG_HOME/.com.mebrun.velmonte.plist.lock result worst item= held
  setting() { sed -n "/<key>$1<\/key>/{n;s/^[[:space:]]*<\(true\|false\)\/>.*/\1/p}" "$plist"; }
  "$tools/sni-probe" watch >"$work/watcher.out" 2>"$work/watcher.err" &
  pids+=($!)
  item=$(wait_registered "$work/watcher.out" 1)
  # Another process holds the settings lock for 8 s while a word is learned
  # by hand, more are typed and a menu row is clicked; fcitx5 is asked every
  # 20 ms meanwhile.
  touch "$lock"
  flock "$lock" sleep 8 &
  local holder=$!
  sleep 0.3
  (while kill -0 $holder 2>/dev/null; do
    start=$(date +%s%N)
    timeout 5 fcitx5-remote -n >/dev/null 2>&1 || echo fail
    echo $((($(date +%s%N) - start) / 1000000))
    sleep 0.02
  done) >"$work/answers" &
  local poller=$!
  result=$(gtk_session lock-held =qzxjwa Alt_L @1800 "= hello world " Return)
  "$tools/sni-probe" click "$item" "Auto 'typo' switcher" >"$work/click-held"
  held=$(kill -0 $holder 2>/dev/null && echo held || echo free)
  wait $holder 2>/dev/null
  wait $poller 2>/dev/null
  worst=$(grep -v fail "$work/answers" | sort -n | tail -1)
  check "lock held: the words come out in order and corrected" "$result" "йячоцф hello world "
  check "lock held: a menu click is answered while the lock is still held" "$(cat "$work/click-held") $held" \
    "updated held"
  check "lock held: fcitx5 answers within 300 ms throughout" \
    "$(grep -c fail "$work/answers") $([ "${worst:-999}" -lt 300 ] && echo fast || echo "slow: ${worst:-no} ms")" "0 fast"
  echo "INFO fcitx5-remote -n while the lock was held: $(grep -vc fail "$work/answers") answers, slowest ${worst:-?} ms"
  for _ in $(seq 30); do
    [ "$(setting ENABLE_TYPO_DETECTOR)" = false ] && grep -qs '<key>qzxjwa</key>' "$plist" &&
      grep -qs $'^qzxjwa\t' "$learned" && break
    sleep 0.1
  done
  check "lock released: the click is in the settings" "$(setting ENABLE_TYPO_DETECTOR)" false
  check "lock released: the learned word is in the settings" "$(grep -c '<key>qzxjwa</key>' "$plist")" 1
  check "lock released: ... and in the list" "$(grep -c $'^qzxjwa\tйячоцф$' "$learned")" 1
  "$tools/sni-probe" click "$item" "Auto 'typo' switcher" >/dev/null

  gtk_session two-words =zgpa Alt_L @500 "= zgpb" Alt_L @2000 Return >/dev/null
  check "two conversions 0.5 s apart are both learned" "$(grep -c -e $'^zgpa\t' -e $'\tzgpb$' "$learned")" 2

  # Hostile menu calls: one asking for 800,000 copies of a row, then a flood.
  check "an oversized menu request gets the rows once" "$("$tools/sni-probe" oversized "$item" 800000)" "1 rows"
  check "the menu answers after it" "$("$tools/sni-probe" layout "$item" | grep -c "Auto 'typo' switcher")" 1
  echo "INFO GetLayout(0, -1, []) ms per call over 2000 calls: $("$tools/sni-probe" flood "$item" 2000)"

  # The item's connection lost: its next send fails as a reset socket does
  # (strace injects the error into the reply to a menu call). The item
  # comes back on a new connection, registered again, and its menu answers.
  strace -f -qq -o "$work/lost-send" -p ${pids[0]} -e trace=sendmsg -e inject=sendmsg:error=ECONNRESET:when=1 &
  local tracer=$!
  sleep 1
  "$tools/sni-probe" layout "$item" >/dev/null 2>&1
  kill $tracer 2>/dev/null
  wait $tracer 2>/dev/null
  local again_item
  again_item=$(wait_registered "$work/watcher.out" 2)
  check "connection lost: the old item is gone from the bus" "$("$tools/sni-probe" layout "$item" | grep -c .)" 0
  check "connection lost: the item registers again and its menu answers" \
    "$([ -n "$again_item" ] && "$tools/sni-probe" layout "$again_item" | grep -c "Auto 'typo' switcher")" 1
  check "connection lost: fcitx5 still corrects" "$(gtk_session after-lost =ghbdtn\  Return)" "привет "
  item=$again_item

  # Two sessions of one person: a second fcitx5 on a second display with its
  # own bus and the same home learns words 1 s after each of this one's.
  exec 4>"$work/display-peer"
  Xvfb -displayfd 4 -noreset -nolisten tcp -screen 0 1024x600x24 >"$work/xvfb-peer.log" 2>&1 &
  pids+=($!)
  exec 4>&-
  for _ in $(seq 100); do [ -s "$work/display-peer" ] && break; sleep 0.05; done
  DISPLAY=:$(head -1 "$work/display-peer") BRISQUEL_INNER=1 BRISQUEL_WORK=$work \
    dbus-run-session -- "$0" "$build" peer >"$work/peer.out" 2>&1 &
  local peer=$!
  await() { for _ in $(seq "${2:-600}"); do [ -e "$work/$1" ] && return; sleep 0.1; done; }
  await peer-ready 1200
  touch "$work/peer-go"
  gtk_session own-words =zgqa Alt_L @2000 "= zgqb" Alt_L @2000 "= zgqc" Alt_L @2000 "= zgqd" Alt_L @2000 Return \
    >/dev/null
  await peer-learned
  sleep 2.5
  check "two sessions: the words both learned are in the settings" "$(grep -c '<key>zg[qr][a-d]</key>' "$plist")" 8
  # After a conversion the layout is Russian: every second word is learned the other way round.
  check "two sessions: ... and in the list" "$(grep -cE $'^zg[qr][a-d]\t|\tzg[qr][a-d]$' "$learned")" 8
  check "two sessions: nothing was set aside" "$(ls "$learned"*.bak 2>/dev/null | wc -l)" 0
  # Each one's menu shows a switch the other turned.
  "$tools/sni-probe" click "$item" "Auto 'typo' switcher" >/dev/null
  touch "$work/peer-toggle"
  await peer-toggled
  check "two sessions: the other's menu shows the switch turned here" "$(cat "$work/peer-menu" 2>/dev/null)" \
    "check off \"Auto 'typo' switcher\""
  local row=
  for _ in $(seq 50); do
    row=$("$tools/sni-probe" layout "$item" | sed -E 's/^ +//' | grep "\"Show layout in menu bar\"")
    [ "${row#check on}" != "$row" ] && break
    sleep 0.1
  done
  check "two sessions: this menu shows the switch turned there" "$row" "check on \"Show layout in menu bar\""
  wait $peer
  check "two sessions: the second one ended cleanly" "$?" 0
  "$tools/sni-probe" click "$item" "Auto 'typo' switcher" >/dev/null
  "$tools/sni-probe" click "$item" "Show layout in menu bar" >/dev/null

  # fcitx5 killed at each system call of a save that writes (the temporary
  # files' opens, writes, syncs and renames; strace, attached to the writer
  # thread once fcitx5 has settled, injects the kill), then started again.
  # Each file stays whole, and after the restart the settings and the list
  # agree, holding the word whenever the settings' rename had happened.
  local fcitx writer tracer calls=() i word had here kept=0 letters=abcdefghijklmnopqrstuvwxyz
  start_fcitx5() {
    fcitx5 --disable=all --enable=keyboard,xcb,xim,dbus,dbusfrontend,brisquel >"$work/$1.log" 2>&1 &
    fcitx=$!
    pids+=($fcitx)
    for _ in $(seq 300); do grep -qs "Brisquel is ready" "$work/$1.log" && break; sleep 0.1; done
    sleep 0.5  # the start's own saves
    writer=$(grep -lx brisquel-save /proc/$fcitx/task/*/comm 2>/dev/null | cut -d/ -f5)
  }
  whole_files() {
    python3 - "$plist" "$learned" <<'PY'
import plistlib, sys
try:
    plistlib.load(open(sys.argv[1], "rb")); settings = "whole"
except Exception:
    settings = "torn"
try:
    data = open(sys.argv[2], "rb").read()
    lines = data.decode("utf-8").split("\n")
    whole = lines[0].startswith("#") and \
        all(line == "" or line.startswith("#") or line.count("\t") == 1 for line in lines)
except Exception:
    whole = False
print("settings", settings, "list", "whole" if whole else "torn")
PY
  }
  learned_here() {  # the zgk words in the settings, then in the list
    echo "$(grep -o '<key>zgk[a-z]*</key>' "$plist" | sed 's/<[^>]*key>//g' | sort | tr '\n' ' ')|$(
      grep -oE $'^zgk[a-z]*\t|\tzgk[a-z]*$' "$learned" | tr -d '\t' | sort | tr '\n' ' ')"
  }
  kill ${pids[0]}
  wait ${pids[0]} 2>/dev/null
  start_fcitx5 fcitx5-calls
  strace -qq -o "$work/save-calls" -p $writer -e trace=openat,write,fsync,fdatasync,rename,renameat,renameat2 &
  tracer=$!
  sleep 0.5
  gtk_session save-calls =zgka Alt_L @2500 Return >/dev/null
  kill $tracer
  wait $tracer 2>/dev/null
  # Each call by name and its count among the calls of that name.
  while read -r name count; do calls+=("$name:$count"); done < <(awk -F'(' '
    /^[a-z0-9]+\(/ { n[$1]++; if ($1 != "openat" || /O_EXCL/) print $1, n[$1] }' "$work/save-calls")
  check "killed during a save: the save's calls are seen" "$((${#calls[@]} >= 8))" 1
  for ((i = 0; i < ${#calls[@]}; i++)); do
    word=zgk${letters:i / 26 + 1:1}${letters:i % 26:1}
    strace -qq -o /dev/null -p $writer -e trace=${calls[i]%:*} -e inject=${calls[i]%:*}:signal=KILL:when=${calls[i]#*:} &
    tracer=$!
    sleep 0.5
    gtk_session kill-$i "=$word" Alt_L @1800 Return >/dev/null
    for _ in $(seq 50); do kill -0 $fcitx 2>/dev/null || break; sleep 0.1; done
    kill $tracer 2>/dev/null
    wait $tracer 2>/dev/null
    had=$(grep -c "<key>$word</key>" "$plist")
    check "killed at ${calls[i]}: fcitx5 is gone and both files are whole" \
      "$(kill -0 $fcitx 2>/dev/null && echo running || echo gone) $(whole_files)" "gone settings whole list whole"
    start_fcitx5 fcitx5-restart-$i
    here=$(learned_here)
    check "killed at ${calls[i]}: after the restart the settings and the list agree" "${here%|*}" "${here#*|}"
    # Killed before the settings' rename, the word was never saved: lost alike in both.
    if [ "$had" = 1 ]; then
      kept=$((kept + 1))
      check "killed at ${calls[i]}: the word saved in the settings is in the list" \
        "$(echo "${here#*|}" | grep -cw $word)" 1
    fi
  done
  echo "INFO killed at ${#calls[@]} calls of a save: the settings held the word at $kept of them"
  local again=$fcitx

  # A list file of 1 GiB (sparse): a word learned meanwhile neither stalls
  # fcitx5 nor makes it read the file whole.
  truncate -s 1G "$learned"
  sleep 2.5
  (for _ in $(seq 150); do
    start=$(date +%s%N)
    timeout 5 fcitx5-remote -n >/dev/null 2>&1 || echo fail
    echo $((($(date +%s%N) - start) / 1000000))
    sleep 0.02
  done) >"$work/answers-huge" &
  poller=$!
  gtk_session huge-list =zgpd Alt_L @2500 Return >/dev/null
  wait $poller 2>/dev/null
  worst=$(grep -v fail "$work/answers-huge" | sort -n | tail -1)
  check "1 GiB list: fcitx5 answers within a second throughout" \
    "$(grep -c fail "$work/answers-huge") $([ "${worst:-9999}" -lt 1000 ] && echo fast || echo "slow: ${worst:-no} ms")" "0 fast"
  check "1 GiB list: fcitx5 stays under 300 MB" "$(($(ps -o rss= -p $again || echo 999999) < 300000))" 1
  check "1 GiB list: it is kept whole as a backup and the list holds the word" \
    "$(stat -c %s "$learned"*.bak 2>/dev/null | sort -n | tail -1) $(grep -c $'^zgpd\tяпзв$' "$learned")" "1073741824 1"
}

case $mode in
  peer)
    # The second session of hostsafety's two: its words learned 1 s after the
    # first's each, then the switches each turns in the other's menu.
    "$tools/sni-probe" watch >"$work/peer-watcher.out" 2>/dev/null &
    pids+=($!)
    item=$(wait_registered "$work/peer-watcher.out" 1)
    touch "$work/peer-ready"
    for _ in $(seq 600); do [ -e "$work/peer-go" ] && break; sleep 0.1; done
    sleep 1
    gtk_session peer-words =zgra Alt_L @2000 "= zgrb" Alt_L @2000 "= zgrc" Alt_L @2000 "= zgrd" Alt_L @2000 Return \
      >/dev/null
    touch "$work/peer-learned"
    for _ in $(seq 600); do [ -e "$work/peer-toggle" ] && break; sleep 0.1; done
    for _ in $(seq 50); do
      row=$("$tools/sni-probe" layout "$item" | sed -E 's/^ +//' | grep "\"Auto 'typo' switcher\"")
      [ "${row#check off}" != "$row" ] && break
      sleep 0.1
    done
    echo "$row" >"$work/peer-menu"
    "$tools/sni-probe" click "$item" "Show layout in menu bar" >/dev/null
    touch "$work/peer-toggled"
    exit 0
    ;;
  hostsafety)
    hostsafety_session
    exit $((failures > 0))
    ;;
  tray)
    tray_session
    exit $((failures > 0))
    ;;
  check)
    check "GTK 3: ghbdtn vbh + Space becomes привет мир" "$(gtk_session gtk-correct =ghbdtn\ vbh\  Return)" "привет мир "
    check "GTK 3: the Russian layout is active after it" "$(fcitx5-remote -n)" "keyboard-ru"
    check "GTK 3: a Russian sentence typed on the Russian layout stays" \
      "$(gtk_session gtk-russian =ghbdtn\  =rfr\ ltkf\  Return)" "привет как дела "
    check "xterm (XIM): ghbdtn vbh + Space becomes привет мир" \
      "$(xterm_session xterm-correct =ghbdtn\ vbh\  Return)" "привет мир "
    if [ -x "$tools/qt-probe" ] && ls /usr/lib/*/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so \
      >/dev/null 2>&1; then
      check "Qt 6: ghbdtn vbh + Space becomes привет мир" "$(probe_session qt qt-correct =ghbdtn\ vbh\  Return)" \
        "привет мир "
    else
      echo "SKIP Qt 6: needs qt6-base-dev and fcitx5-frontend-qt6"
    fi
    # Last, since it leaves the GTK probe ignored: a list file edited by hand
    # reaches the running host, and an entry may name the program's executable.
    "$build/src/brisquel" lists >/dev/null
    printf "\n%s\n" "$tools/gtk-probe" >>"$XDG_DATA_HOME/Velmonte/ignored_apps.txt"
    sleep 2.5
    check "GTK 3: a program ignored by its path in the list file is left alone" \
      "$(gtk_session gtk-ignored =ghbdtn\  Return)" "ghbdtn "
    exit $((failures > 0))
    ;;
  clients)
    # Every kind of client in one window each, kept open: GTK 3, GTK 4, Qt 5
    # and Qt 6 (under a menu bar, in a style that opens it on a lone Alt),
    # xterm through XIM reading a line as a shell does, Chromium.
    . "$here/client-cases.sh"
    terminals=xterm
    client_keys() {
      local client=$1
      shift
      "$tools/press-keys" --window "$client" --gap "${GAP:-30}" "$@" 2>>"$work/$client.err"
    }
    client_log() {
      if [ "$1" = chromium ]; then
        sed -n 's/.*"\([0-9]* \(TEXT\|FINAL\) .*\)", source.*/\1/p' "$work/chromium.log"
      else
        cat "$work/$1.out"
      fi
    }
    clients=()
    client_open() {  # client command...: its window, once it takes keys
      local client=$1
      wanted "$client" || return
      shift
      "$@" >"$work/$client.out" 2>"$work/$client.err" &
      pids+=($!)
      "$tools/press-keys" --window "$client" @300 2>>"$work/$client.err" && clients+=("$client")
    }
    client_open gtk3 "$tools/gtk-probe" gtk3 stay
    if [ -x "$tools/gtk4-probe" ] && ls /usr/lib/*/gtk-4.0/4.0.0/immodules/libim-fcitx5.so >/dev/null 2>&1; then
      GSK_RENDERER=cairo GTK_A11Y=none client_open gtk4 "$tools/gtk4-probe" gtk4 stay
    else
      echo "SKIP GTK 4: needs libgtk-4-dev and fcitx5-frontend-gtk4"
    fi
    for qt in 5 6; do
      probe=$tools/qt$qt-probe
      [ $qt = 6 ] && probe=$tools/qt-probe
      if [ -x "$probe" ] && ls /usr/lib/*/qt$qt/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so \
        >/dev/null 2>&1; then
        QT_STYLE_OVERRIDE=windows client_open qt$qt "$probe" qt$qt menubar stay
      else
        echo "SKIP Qt $qt: needs the Qt $qt base development package and fcitx5-frontend-qt$qt"
      fi
    done
    # xterm connects to the input method after its window shows: keys before that go by it.
    client_open xterm xterm -title xterm -xrm '*inputMethod: fcitx' -e "$here/tty-probe.py" "$work/xterm.out" stay
    sleep 1.5
    if ! wanted chromium; then
      :
    elif command -v chromium >/dev/null; then
      chromium_start chromium
      "$tools/press-keys" --window chromium @300 2>>"$work/chromium.err" && clients+=(chromium)
    else
      echo "SKIP Chromium: needs the chromium package"
    fi

    run_clients "$count" "${clients[@]}"
    exit $((failures > 0))
    ;;
  alerts)
    for _ in $(seq 100); do [ -s "$work/notifications" ] && break; sleep 0.1; done
    id='' title='' actions=''
    IFS=$'\t' read -r id title actions 2>/dev/null <"$work/notifications"
    check "the permission alert is a notification in the interface language" "$title" "Требуются разрешения"
    check "its buttons are its actions" "$actions" $'1000\tНастройки\t1001\tЗавершить'
    dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
      org.brisquel.Test.Invoke uint32:"$id" string:1000 >/dev/null
    for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
    check "choosing Настройки runs brisquel setup" "$(cat "$work/opened" 2>/dev/null)" "brisquel setup"
    check "one alert, and fcitx5 still runs" "$(wc -l <"$work/notifications") $(kill -0 ${pids[1]} && echo up)" "1 up"
    # An application connecting shows the keys arrive: the program starts
    # again, inside the same fcitx5, and corrects what is typed.
    xterm_session alerts-first =a Return >/dev/null
    for _ in $(seq 300); do grep -q "Brisquel is ready" "$work/fcitx5.log" && break; sleep 0.1; done
    sleep 1.2  # the keyboard monitors start a second after launch
    check "after the permission the program runs again and corrects" \
      "$(xterm_session alerts-xterm =ghbdtn\  Return)" "привет "
    check "no second alert" "$(wc -l <"$work/notifications")" 1
    exit $((failures > 0))
    ;;
  setup)
    check "setup: GNOME keeps one layout" "$(gsettings get org.gnome.desktop.input-sources sources)" "[('xkb', 'us')]"
    check "setup: the session's GTK applications use fcitx5" "${GTK_IM_MODULE:-}" fcitx
    check "setup: the host has the desktop's layouts" \
      "$("$build/src/brisquel" status | sed -n 's/^Layouts: \(.*\) (current: .*)$/\1/p')" "keyboard-us, keyboard-ru"
    check "setup: GTK 3 ghbdtn vbh + Space becomes привет мир" "$(gtk_session gtk-setup =ghbdtn\ vbh\  Return)" \
      "привет мир "
    # Run again in the running session with one more layout: fcitx5 takes the
    # group at once (else it would write its old one over the profile on exit).
    "$build/src/brisquel" setup --layouts us,ru,ua >"$work/setup-2.out" 2>&1
    check "setup with fcitx5 running: fcitx5 holds the new group at once" \
      "$("$build/src/brisquel" status | sed -n 's/^Layouts: \(.*\) (current: .*)$/\1/p')" \
      "keyboard-us, keyboard-ru, keyboard-ua"
    "$build/src/brisquel" setup --undo >"$work/undo.out" 2>&1
    check "setup --undo exits 0" "$?" 0
    # The files setup wrote, as they were before it (the session itself writes others).
    local_diff=0
    for f in $(sed -n 's|^  \(created\|changed\) ~/||p' "$work/setup.out"); do
      was=$(grep " \./$f\$" "$work/home-before" | cut -d' ' -f1)
      now=$([ -f "$HOME/$f" ] && md5sum "$HOME/$f" | cut -d' ' -f1)
      [ "${was:-missing}" = "${now:-missing}" ] || { echo "  $f differs"; local_diff=1; }
    done
    check "setup --undo: every file setup wrote is as it was ($(grep -c '^  \(created\|changed\)' "$work/setup.out") files)" \
      "$local_diff" 0
    check "setup --undo: GNOME's layouts back" "$(gsettings get org.gnome.desktop.input-sources sources)" \
      "[('xkb', 'us'), ('xkb', 'ru')]"
    exit $((failures > 0))
    ;;
  demo)
    held=$(gtk_session brisquel-demo =ghbdtn\ vbh\  Return)
    echo "Typed on the US layout:   ghbdtn vbh  (then Space)"
    echo "The GTK application holds: $held"
    echo "Active layout:            $(fcitx5-remote -n)"
    held=$(gtk_session brisquel-demo-ctrl =ghbdtn\  +Control_L a -Control_L =ntcn\  Return)
    echo "Then Control+A selects it all and ntcn + Space replaces it; the application holds: $held"
    ;;
  savecost)
    # What saving costs fcitx5's loop: N words learned by hand (each a save
    # of the settings and of the list) under strace, which times each call
    # on those files and names the thread that made it.
    words=() letters=abcdefghijklmnopqrstuvwxyz
    for ((i = 0; i < count && i < 26; i++)); do words+=("= zgs${letters:i:1}" Alt_L @2000); done
    strace -f -qq -T -y -o "$work/saves.strace" -p ${pids[0]} \
      -e trace=write,fsync,fdatasync,rename,renameat,renameat2,flock,openat &
    tracer=$!
    sleep 1
    gtk_session savecost "${words[@]}" Return >/dev/null
    kill $tracer
    wait $tracer 2>/dev/null
    # Calls on the settings and list files (and their temporaries), by thread: fcitx5's loop or another.
    awk -v loop=${pids[0]} -v n="$count" '
      /velmonte|Velmonte|learned_words|ignored_/ {
        if (!match($0, /<[0-9.]+>$/)) next
        t = substr($0, RSTART + 1, RLENGTH - 2) * 1000
        who = ($1 == loop) ? "loop" : "other"
        call = $2
        sub(/\(.*/, "", call)
        ms[who] += t; calls[who]++; syncs[who] += (call == "fsync")
        if (t > worst[who]) worst[who] = t
      }
      END { for (w in ms) printf "%s thread: %d file calls (%d fsync) for %d saves, %.2f ms in all (%.2f ms a save), slowest %.2f ms\n",
        w, calls[w], syncs[w], n, ms[w], ms[w] / n, worst[w] }' "$work/saves.strace"
    ;;
  latency)
    # How this machine treats memory left untouched between keys: the keys' tail depends on it.
    [ -x "$build/bench/page_stall" ] && "$build/bench/page_stall"
    keys=()
    # Two-letter words: corrected when the word ends, never in the middle.
    for ((i = 0; i < count; i += 2)); do keys+=(=yt\  =we\ ); done
    # latency_of LABEL TEXTS: Space press -> first moment the field ends with
    # the corrected word and the space, from "<realtime us> TEXT '<text>'" lines.
    latency_of() {
      local label=$1 texts=$2
      awk -v n="$count" '
        FNR == NR { if ($2 == "+space") space[++s] = $1; next }
        / TEXT / { t[++m] = $1; line[m] = $0 }
        END {
          j = 1
          for (k = 1; k <= s && k <= n; k++) {
            want = (k % 2 == 1) ? "не '\''$" : "we '\''$"
            # A word left as typed is missed, not matched with a later correction.
            next_space = (k < s) ? space[k + 1] : 1e300
            while (j <= m && t[j] < space[k]) j++
            i = j
            while (i <= m && t[i] < next_space && line[i] !~ want) i++
            if (i > m || t[i] >= next_space) { print "missed" > "/dev/stderr"; continue }
            printf "%.3f\n", (t[i] - space[k]) / 1000
            j = i
          }
        }' "$work/$label.keys" "$texts" 2>"$work/$label.missed" | sort -n >"$work/$label.latencies"
      awk -v n="$count" -v label="$label" -v missed="$(wc -l <"$work/$label.missed")" '
        { d[++c] = $1 }
        END {
          p90 = int(c * 0.9)
          if (p90 < 1) p90 = 1
          printf "%-8s Space -> corrected text, ms: median %.2f  p90 %.2f  worst %.2f  (%d of %d measured, missed %d)\n",
            label, d[int((c + 1) / 2)], d[p90], d[c], c, n, missed
        }' "$work/$label.latencies"
    }
    prefill=
    if [ "${PREFILL:-0}" -gt 0 ]; then
      prefill=$(tr -s '\n' ' ' <"${BRISQUEL_SHARED_DIR:-/work/shared}/data/corpus/en.txt" | head -c "$PREFILL")
      prefill="${prefill% *} "  # whole words, then a space
    fi
    probe_latency() {  # gtk|qt: the probe's field, a fresh one
      local name=$1-latency
      fcitx5-remote -s keyboard-us
      PROBE_TEXT=$prefill "$tools/$1-probe" $name >"$work/$name.out" 2>"$work/$name.err" &
      pids+=($!)
      "$tools/press-keys" --window $name "${keys[@]}" Return >"$work/$1.keys" 2>>"$work/$name.err"
      sleep 0.5
      latency_of "$1" "$work/$name.out"
    }
    probe_latency gtk
    if [ -x "$tools/qt-probe" ] && ls /usr/lib/*/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so \
      >/dev/null 2>&1; then
      probe_latency qt
    else
      echo "SKIP Qt 6: needs qt6-base-dev and fcitx5-frontend-qt6"
    fi
    if command -v chromium >/dev/null; then
      # The text area logs each change with its time; a new line in the field stays out of it.
      chromium_start chromium-latency
      "$tools/press-keys" --window chromium-latency @300 >/dev/null 2>&1
      fcitx5-remote -s keyboard-us
      "$tools/press-keys" --window chromium-latency "${keys[@]}" Return >"$work/chromium.keys" 2>>"$work/chromium.err"
      sleep 0.5
      sed -n 's/.*"\([0-9]* TEXT '"'"'.*'"'"'\)", source.*/\1/p' "$work/chromium-latency.log" \
        >"$work/chromium.texts"
      latency_of chromium "$work/chromium.texts"
    else
      echo "SKIP Chromium: needs the chromium package"
    fi
    # fcitx5 stopping unloads the addon, which reports its time per key.
    kill ${pids[0]}
    wait ${pids[0]} 2>/dev/null
    sed -n 's/.*\(Brisquel decided .*\)/\1/p' "$work/fcitx5.log"
    ;;
esac
