#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a copy costs the machine while it waits for its speech: the real program on Xvfb with
# openbox (1024 x 768, no sound server, so speech keeps its time on a clock), exercise 13 opened
# from the menu, then a minute of a child clicking one smiley and the other every 1.5 s (each right
# answer is a wait for the sentence). Prints the processor time and the context switches (the
# wake-ups) of that minute; a wait that polls a clock costs wake-ups, one the speech side ends
# costs none.
#
#   bench/waiting-cpu.sh PROGRAM [PROGRAM...]
set -eu
for program in "$@"; do
  work=$(mktemp -d)
  mkdir -p "$work"/{home,config,data,cache,run,none}
  chmod 700 "$work/run"
  display=:$((600 + RANDOM % 300))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  server=$!
  sleep 1
  DISPLAY=$display openbox >/dev/null 2>&1 &
  wm=$!
  sleep 0.5
  DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run XDG_DATA_DIRS=$work/none \
    PULSE_SERVER=unix:$work/no-sound QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
  app=$!
  sleep 4
  DISPLAY=$display xdotool mousemove 500 400 click 1 # the splash
  sleep 2
  DISPLAY=$display xdotool mousemove 97 499 click 1 # "13 - I like ...."
  sleep 8
  ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
  switches() { awk '/voluntary_ctxt_switches/ { s += $2 } END { print s }' "/proc/$app/status"; }
  t0=$(ticks) c0=$(switches)
  for _ in $(seq 20); do
    DISPLAY=$display xdotool mousemove 278 418 click 1
    sleep 1.5
    DISPLAY=$display xdotool mousemove 746 418 click 1
    sleep 1.5
  done
  t1=$(ticks) c1=$(switches)
  echo "$program: $(((t1 - t0) * 1000 / $(getconf CLK_TCK))) ms of processor time, $((c1 - c0)) context switches in a minute"
  kill $app $wm $server 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
done
