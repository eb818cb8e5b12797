# SPDX-License-Identifier: MIT
# The cases every kind of client runs, in the X11 session and on sway. A
# client is one window kept open for the whole run whose field logs what it
# holds: "<realtime us> TEXT '<text>'" at each change, "<realtime us> FINAL
# '<text>'" at Return, after which the field is empty. The session defines:
#   client_keys CLIENT TOKEN...  focuses the client's window and presses keys there
#                                (press-keys syntax); modifier releases logged as "<us> -Alt_L"
#   client_log CLIENT            what the client's field logged, in the form above
#   terminals                    the clients that are terminals (a space-separated list)
#   fcitx5_pid                   the fcitx5 the clients talk to
# BRISQUEL_CLIENTS="gtk4 qt5" runs those clients only.

# wanted CLIENT: whether this run takes the client
wanted() { [ -z "${BRISQUEL_CLIENTS:-}" ] || [[ " $BRISQUEL_CLIENTS " == *" $1 "* ]]; }

# layout|what|keys separated by "~"|the field holds
cases=(
  "us|phrase typed on the US layout|=ghbdtn vbh |привет мир "
  "ru|phrase typed on the Russian layout|=hello world |hello world "
  "us|a lone Alt converts the word|=cat~@200~Alt_L~@700|сфе"
  "us|a second lone Alt undoes it|=cat~@200~Alt_L~@700~Alt_L~@500|cat"
  "us|Control+A selects the text, typing replaces it|=ghbdtn~+Control_L~a~-Control_L~=ntcn |тест "
)

# client_line CLIENT LAYOUT TOKEN...: the text the field held at Return
client_line() {
  local client=$1 layout=$2 seen
  shift 2
  seen=$(client_log "$client" | grep -c ' FINAL ')
  client_keys "$client" >>"$work/$client.keys"
  fcitx5-remote -s "$layout"
  client_keys "$client" "$@" Return >>"$work/$client.keys"
  # A loaded machine (and a stalled fcitx5's burst) can take seconds.
  for _ in $(seq 200); do [ "$(client_log "$client" | grep -c ' FINAL ')" -gt "$seen" ] && break; sleep 0.1; done
  client_log "$client" | sed -n "s/^[0-9]* FINAL '\(.*\)'$/\1/p" | tail -n +$((seen + 1)) | head -1
}

# Milliseconds from the last lone Alt's release to the field holding TEXT at its end.
alt_to_text() {
  local client=$1 text=$2 released
  released=$(sed -n 's/^\([0-9]*\) -Alt_L$/\1/p' "$work/$client.keys" | tail -1)
  client_log "$client" | awk -v t="${released:-0}" -v want="$text'" '
    $2 == "TEXT" && $1 >= t && substr($0, length($0) - length(want) + 1) == want {
      printf "%d", ($1 - t) / 1000; found = 1; exit
    }
    END { if (!found) printf "never" }'
}

# stall PID CLIENT SEEN FOR: once the client's field changes after the SEEN
# changes it logged (the phrase's first letter), the process stops for a
# while, as on a busy machine. Started from the field, not a clock, the stall
# falls inside the typing however slow the machine is.
stall() {
  local started=
  for _ in $(seq 1000); do
    [ "$(client_log "$2" | grep -c ' TEXT ')" -gt "$3" ] && started=1 && break
    sleep 0.01
  done
  [ -n "$started" ] || return 1
  kill -STOP "$1"
  sleep "$4"
  kill -CONT "$1"
}

# run_cases CLIENT: every case, ROUNDS times (1 unless set)
run_cases() {
  local client=$1 c layout what keys want tokens round held ms lines
  for round in $(seq "${ROUNDS:-1}"); do
    # A stall of fcitx5 during fast typing sends its answers to the client in
    # one burst: the letters it committed as text must still follow the Space
    # typed before them.
    stall "$fcitx5_pid" "$client" "$(client_log "$client" | grep -c ' TEXT ')" 0.6 >/dev/null 2>&1 &
    held=$(GAP=8 client_line "$client" keyboard-ru @600 "=ghbdtn vbh rfr ltkf ")
    wait $!
    check "$client: fcitx5 stalled while the phrase was typed" "$?" 0
    check "$client: a Russian phrase typed while fcitx5 stalls" "$held" "привет мир как дела "
    for c in "${cases[@]}"; do
      IFS='|' read -r layout what keys want <<<"$c"
      IFS='~' read -ra tokens <<<"$keys"
      if [[ " $terminals " == *" $client "* && $keys == *Control_L* ]]; then
        echo "SKIP $client: $what (Control+A is the terminal's own: the start of the line)"
        continue
      fi
      lines=$(client_log "$client" | wc -l)
      held=$(client_line "$client" "keyboard-$layout" "${tokens[@]}")
      check "$client: $what" "$held" "$want"
      [ "$what" = "a lone Alt converts the word" ] || continue
      ms=$(alt_to_text "$client" "$want")
      check "$client: the conversion is in the field within 100 ms of the Alt's release ($ms ms)" \
        "$([ "$ms" != never ] && [ "$ms" -lt 100 ] && echo yes)" yes
      check "$client: the layout after the conversion" "$(fcitx5-remote -n)" keyboard-ru
      if client_log "$client" | grep -q ' FOCUS '; then  # a window with a menu bar
        check "$client: the lone Alt opened no menu and the field kept the focus" \
          "$(client_log "$client" | tail -n +$((lines + 1)) | grep -E ' (MENU|FOCUS) ' | grep -v ' FOCUS QLineEdit$')" ""
      fi
    done
  done
}

# A lone Alt held longer than a tap is the application's own: in a window
# with a menu bar it opens the menu, which shows the checks above can fail.
menu_control() {
  local client=$1 menus
  menus=$(client_log "$client" | grep -c ' MENU ')
  client_keys "$client" +Alt_L @1000 -Alt_L @300 Escape @200 >>"$work/$client.keys"
  check "$client: an Alt held for a second is the application's: its menu bar opens" \
    "$(($(client_log "$client" | grep -c ' MENU ') - menus))" 1
}

# run_sentences COUNT CLIENT...: COUNT corpus sentences on the wrong layout per
# client at 30-120 ms a key, counted corrected / left as typed / corrupted.
run_sentences() {
  local count=$1 corpus=${BRISQUEL_SHARED_DIR:-/work/shared}/data/corpus seed=${BRISQUEL_SEED:-$RANDOM}
  local client keys layout n gap verdict
  shift
  if [ ! -f "$corpus/ru.txt" ] || [ ! -f "$corpus/en.txt" ]; then
    echo "SKIP corpus sentences: no corpus at $corpus (set BRISQUEL_SHARED_DIR)"
    return
  fi
  "$here/corpus-sentences.py" make "$build/src/brisquel" "$corpus" "$count" "$seed" >"$work/sentences.tsv"
  echo "sentences: seed $seed, $(wc -l <"$work/sentences.tsv") per client"
  RANDOM=$seed
  for client in "$@"; do
    : >"$work/$client-held.txt"
    n=0
    while IFS=$'\t' read -r keys layout _; do
      n=$((n + 1))
      gap=$((15 + RANDOM % 46))  # a press and a release each: 30-120 ms a key
      printf '%s\n' "$(GAP=$gap client_line "$client" "$layout" "=$keys")" >>"$work/$client-held.txt"
    done <"$work/sentences.tsv"
    verdict=$("$here/corpus-sentences.py" judge "$build/src/brisquel" "$work/sentences.tsv" "$work/$client-held.txt")
    echo "$client: $verdict"
    check "$client: no corpus sentence corrupted" "$(echo "$verdict" | sed -n 's/.*corrupted: \([0-9]*\).*/\1/p')" 0
  done
}

# run_clients COUNT CLIENT...: every case in each client (with the menu bar's
# control in Qt), then COUNT sentences in each.
run_clients() {
  local count=$1 client
  shift
  for client in "$@"; do
    [[ $client == qt* ]] && menu_control "$client"
    run_cases "$client"
  done
  run_sentences "$count" "$@"
}
