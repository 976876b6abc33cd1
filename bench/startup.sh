#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark on a full-HD virtual display with a window manager, as on a school
# computer: Xvfb at 1920x1080 and openbox, both started here and ended afterwards.
# Then the splash's welcome: from its Speak to its first audio, in the same start-up.
#   bench/startup.sh BUILD_DIR [RUNS] [PROGRAM...]   (PROGRAM: other builds to compare)
# MUNCHORA_BENCH_SCREEN sets the display (e.g. 3840x2160x24 for a 4K whiteboard); a
# QT_SCALE_FACTOR in the environment reaches the measured programs, e.g.
#   MUNCHORA_BENCH_SCREEN=3840x2160x24 QT_SCALE_FACTOR=2 bench/startup.sh BUILD_DIR
set -e
build=${1:?usage: bench/startup.sh BUILD_DIR [RUNS] [PROGRAM...]}
shift
# Xvfb picks a free display itself and writes its number once it is ready for clients.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${MUNCHORA_BENCH_SCREEN:-1920x1080x24}" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
stop() { kill $wm $xvfb 2>/dev/null; wait 2>/dev/null; rm -f "$number"; }
trap stop EXIT
# Ended by a signal (its output cut short by a pipe, say), it still ends its servers.
trap 'exit 1' INT TERM HUP PIPE
for _ in $(seq 200); do
  [ -s "$number" ] && break
  sleep 0.05
done
display=:$(cat "$number")
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
echo "screen ${MUNCHORA_BENCH_SCREEN:-1920x1080x24}${QT_SCALE_FACTOR:+, QT_SCALE_FACTOR=$QT_SCALE_FACTOR}"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bench/bench_startup" "$@" || echo "(some starts failed)"
echo
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bench/bench_startup" --welcome "${1:-10}" || echo "(some starts failed)"
