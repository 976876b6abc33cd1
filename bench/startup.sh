#!/bin/sh
# Start-up benchmark on a full-HD virtual display with a window manager, as on a school
# computer: Xvfb at 1920x1080 and openbox, both started here and ended afterwards.
#   bench/startup.sh BUILD_DIR [RUNS]
set -e
build=${1:?usage: bench/startup.sh BUILD_DIR [RUNS]}
shift
display=:$(( $$ % 400 + 500 ))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
# The server is up once a client can reach it.
for _ in $(seq 100); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.05
done
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bench/bench_startup" "$@"
