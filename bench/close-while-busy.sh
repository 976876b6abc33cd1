#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A close asked while an exercise says its title, on a busy machine: the real program on Xvfb
# with openbox, started afresh for each try; the menu's tile is chosen by keys, and Alt+F4 is
# pressed while the program is stopped (SIGSTOP, 0.5 s, SIGCONT), so the close and whatever the
# program had to do meanwhile come at once. A try counts when "go back?" is said and its box
# answers Escape, leaving the exercise on show.
#
#   sh bench/close-while-busy.sh PROGRAM [TRIES] [EXERCISE...]     (default: 20 tries; 1 12 13 14 15)
set -eu
program=$(readlink -f "$1")
tries=${2:-20}
shift $(($# < 2 ? $# : 2))
exercises=${*:-1 12 13 14 15}
work=$(mktemp -d)
display=:$((60 + $$ % 30))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $server $wm 2>/dev/null || true; rm -rf "$work"' EXIT
wm=""
sleep 1
export DISPLAY=$display
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc openbox >/dev/null 2>&1 &
wm=$!
sleep 1

waitlog() { # pattern, seconds
  n=0
  while ! grep -q "$1" "$work/log" 2>/dev/null; do
    n=$((n + 1))
    [ $n -gt $(($2 * 20)) ] && return 1
    sleep 0.05
  done
}

printf '%-9s %s\n' exercise "asked and answered / tries"
for exercise in $exercises; do
  ok=0
  try=0
  while [ $try -lt "$tries" ]; do
    try=$((try + 1))
    rm -rf "$work/home" "$work/run"
    mkdir -p "$work/home" "$work/run"
    chmod 700 "$work/run"
    HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
      XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run XDG_CONFIG_DIRS=$work/etc \
      QT_LOGGING_RULES="munchora.speech.debug=true;munchora.screens.debug=true" QT_QPA_PLATFORM=xcb \
      "$program" >"$work/log" 2>&1 &
    pid=$!
    if waitlog 'FormAvvio shown' 10; then
      sleep 0.5
      xdotool mousemove 960 540 click 1
      waitlog 'FormMenu shown' 10 || true
      sleep 0.3
      # The first Tab shows the focus on the first tile; each one more goes a tile on.
      xdotool key Tab
      i=1
      while [ $i -lt "$exercise" ]; do
        xdotool key Tab
        i=$((i + 1))
      done
      xdotool key Return
      # The title is said from the moment the screen is asked for, before it may be logged as shown.
      if waitlog 'Form[0-9]*: speak "exercise' 10; then
        screen=$(grep -o 'Form[0-9]*: speak "exercise' "$work/log" | tail -1 | cut -d: -f1)
        sleep 0.2
        kill -STOP $pid
        xdotool key alt+F4
        sleep 0.5
        kill -CONT $pid
        if waitlog 'speak "go back?"' 10; then
          sleep 0.5
          xdotool key Escape
          sleep 0.5
          if kill -0 $pid 2>/dev/null && [ "$(sed -n '/go back?/,$p' "$work/log" | grep -c 'FormMenu shown')" = 0 ]; then
            ok=$((ok + 1))
          fi
        fi
      fi
    fi
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
  done
  printf '%-9s %d / %d  (%s)\n' "$exercise" $ok "$tries" "${screen:-?}"
done
