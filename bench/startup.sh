#!/bin/sh
# Start-up benchmark on both platforms: offscreen, then a real X server (Xvfb).
#   bench/startup.sh BUILD_DIR [RUNS] [SETTLE_MS]
set -e
build=${1:?usage: bench/startup.sh BUILD_DIR [RUNS] [SETTLE_MS]}
shift
QT_QPA_PLATFORM=offscreen "$build/bench/bench_startup" "$@"
echo
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb "$build/bench/bench_startup" "$@"
