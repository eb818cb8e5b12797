# SPDX-License-Identifier: MIT
# brisquel lists as a user runs it, in a home folder of its own:
#   cmake -DBRISQUEL=<program> -DHOME_DIR=<folder> -P lists_command.cmake
file(REMOVE_RECURSE "${HOME_DIR}")
file(MAKE_DIRECTORY "${HOME_DIR}")
set(ENV{HOME} "${HOME_DIR}")
set(ENV{XDG_CONFIG_HOME} "${HOME_DIR}/config")
set(ENV{XDG_DATA_HOME} "${HOME_DIR}/data")
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
set(lists "${HOME_DIR}/data/Velmonte")
set(plist "${HOME_DIR}/config/com.mebrun.velmonte.plist")

function(run expected_rc)
  execute_process(COMMAND "${BRISQUEL}" lists ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "brisquel lists ${ARGN}: exit ${rc}, expected ${expected_rc}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect text pattern what)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: expected /${pattern}/ in:\n${text}")
  endif()
endfunction()

# First start: the defaults are stored and both application files written.
run(0)
expect("${out}" "learned +${lists}/learned_words.txt  \\(no file yet\\)" "first start")
expect("${out}" "ignored +${lists}/ignored_apps.txt  \\(37 entries\\)" "first start")
expect("${out}" "shortcuts +${lists}/ignored_shortcuts_apps.txt  \\(18 entries\\)" "first start")
file(SIZE "${lists}/ignored_apps.txt" size)
expect("${size}" "^1063$" "size of ignored_apps.txt")
file(SIZE "${lists}/ignored_shortcuts_apps.txt" size)
expect("${size}" "^1210$" "size of ignored_shortcuts_apps.txt")
file(READ "${plist}" stored)
expect("${stored}" "<string>org.alacritty\\|c\\|x\\|z\\|d\\|w\\|a\\|r</string>" "stored shortcut rules")

# Edits made while the program is not running are taken over at the next start.
file(APPEND "${lists}/ignored_apps.txt" "\nmy editor app")
file(WRITE "${lists}/learned_words.txt" "# mine\r\nghbdtn привет\r\nrfr\tкак\r\n")
run(0)
expect("${out}" "ignored_apps.txt  \\(38 entries\\)" "after editing")
expect("${out}" "learned_words.txt  \\(2 entries\\)" "after editing")
file(READ "${plist}" stored)
expect("${stored}" "<string>my editor app</string>" "stored ignored apps")
expect("${stored}" "<key>ghbdtn</key>[ \t\n]*<string>привет</string>" "stored learned words")

# Opening needs a graphical session; the file is written all the same.
file(REMOVE "${lists}/learned_words.txt")
run(1 open learned)
expect("${err}" "no graphical session" "open without a session")
file(READ "${lists}/learned_words.txt" learned)
expect("${learned}" "\n\nghbdtn\tпривет\nrfr\tкак$" "learned words written for the editor")
run(2 open nothing)

# A damaged settings file is kept aside and the program still starts.
file(WRITE "${plist}" "<plist><dict><key>IGNORED_APPS")
run(0)
expect("${err}" "kept as ${plist}.corrupt-1" "damaged settings")
expect("${out}" "ignored_apps.txt  \\(38 entries\\)" "lists read back from their files")
