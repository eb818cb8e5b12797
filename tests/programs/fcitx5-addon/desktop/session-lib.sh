# SPDX-License-Identifier: MIT
# What the desktop session scripts share: the processes they started, ended
# in reverse order on exit, and one way of telling a check's result.
pids=()
cleanup() {  # clients before fcitx5: an XIM client outliving its server hangs
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill ${pids[i]} 2>/dev/null; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 $p 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
failures=0
check() {  # name got want
  if [ "$2" = "$3" ]; then
    echo "PASS $1"
  else
    echo "FAIL $1: got [$2], want [$3]"
    failures=$((failures + 1))
  fi
}
