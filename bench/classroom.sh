#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Classroom benchmark: a school server runs one copy of the program per pupil's thin client,
# and at the teacher's word the whole class opens the same exercise ("2 - What is it?") at once.
# For each class size N: N virtual displays (Xvfb 1024x768, no window manager: the program runs
# full screen), N copies each with its own home and folders and no sound server (speech keeps
# its timing on a silent clock), all clicked on to the menu, then the exercise clicked on every
# display at the same moment. One row per N: click to exercise shown (ms), memory per copy,
# processor time per opening, in all and by thread.
#   bench/classroom.sh [--cold | --speech-cache DIR] PROGRAM [N ...]     (N: 1 10 25)
#     PROGRAM             a built munchora, e.g. build-bench/munchora (a Release build)
#     --speech-cache DIR  prepare the shared speech cache in DIR, and keep it (default: a
#                         read-only folder in the scratch folder, removed at the end)
#     --cold              prepare none: every copy synthesises its own speech
# Needs Xvfb and xdotool (scripts/install-deps --bench). A benchmark, not a test: it prints
# figures, counts the copies that did not start or open, and fails only on wrong usage.
set -u

usage() {
  echo "usage: bench/classroom.sh [--cold | --speech-cache DIR] PROGRAM [N ...]" >&2
  exit 2
}

cold=0
cache=""
while [ $# -gt 0 ]; do
  case $1 in
    --cold) cold=1; shift ;;
    --speech-cache) [ $# -ge 2 ] || usage; cache=$2; shift 2 ;;
    --speech-cache=*) cache=${1#*=}; shift ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || usage
[ "$cold" = 1 ] && [ -n "$cache" ] && usage
case $cache in /* | "") ;; *) cache=$PWD/$cache ;; esac # the copies start in their own folders
program=$1
shift
case $program in /*) ;; *) program=$PWD/$program ;; esac # the copies start in their own folders
[ -x "$program" ] || { echo "classroom: $program is not a program" >&2; exit 2; }
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1 10 25)
for n in "${sizes[@]}"; do
  [[ $n =~ ^[1-9][0-9]*$ ]] || usage
done
for tool in Xvfb xdotool awk timeout; do
  command -v "$tool" >/dev/null || { echo "classroom: $tool is missing (scripts/install-deps --bench)" >&2; exit 2; }
done

# The menu at 1024x768: tile "2 - What is it?" spans about x 192..334, y 26..192, read off a
# screenshot of a copy's menu (import -display :N -window root menu.png). Its middle:
tile_x=263
tile_y=110
width=1024
height=768
# Any point of the splash's background leaves it for the menu; this corner holds nothing else.
splash_x=40
splash_y=740

scratch=$(mktemp -d "${TMPDIR:-/tmp}/classroom.XXXXXX") || exit 2
copies=()   # process id per copy, by copy number; "" for one that did not start
servers=()
clickers=()
display=()

# Whether the process runs: a copy that has ended stays a zombie until waited for.
alive() {
  local stat
  [ -n "$1" ] && read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

killed=0 # copies that did not end on SIGTERM
stop_round() {
  local p any f
  # Also a copy started a moment ago, whose number was not read yet (the benchmark interrupted).
  for f in "${round:-/nonexistent}"/c*/pid; do
    read -r p 2>/dev/null <"$f" || continue
    [[ " ${copies[*]} " == *" $p "* ]] || copies+=("$p")
  done
  # The copies first, so that none sees its display vanish under it.
  for p in "${copies[@]}"; do [ -n "$p" ] && kill -TERM "$p" 2>/dev/null; done
  for _ in $(seq 50); do # the program ends cleanly on SIGTERM: give it up to 5 s
    any=0
    for p in "${copies[@]}"; do alive "$p" && { any=1; break; }; done
    [ $any = 0 ] && break
    sleep 0.1
  done
  killed=0
  for p in "${copies[@]}"; do
    alive "$p" && { kill -KILL "$p" 2>/dev/null; killed=$((killed + 1)); }
  done
  for p in "${clickers[@]}" "${servers[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  copies=() servers=() clickers=() display=()
}

finish() {
  stop_round
  chmod -R u+w "$scratch" 2>/dev/null # the shared cache was made read-only
  rm -rf "$scratch"
}
trap finish EXIT
# Ended by a signal (Ctrl-C, or its output cut short by a pipe), it still ends all it started.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 1' HUP PIPE

# Copies (by number, from $@) whose log holds "$name shown", waiting until all do, or those
# missing have ended, or $limit seconds have passed. Leaves them in $reached.
await() {
  local name=$1 limit=$2
  shift 2
  local deadline=$((SECONDS + limit)) i path logs missing
  reached=()
  while :; do
    logs=()
    for i in "$@"; do logs+=("$round/c$i/log"); done
    reached=()
    if [ ${#logs[@]} -gt 0 ]; then
      while read -r path; do
        i=${path%/log}
        reached+=("${i##*/c}")
      done < <(grep -l -F -- "$name shown" "${logs[@]}" 2>/dev/null)
    fi
    missing=0
    for i in "$@"; do
      [[ " ${reached[*]} " == *" $i "* ]] && continue
      alive "${copies[i]}" && missing=1
    done
    [ $missing = 0 ] || [ $SECONDS -ge $deadline ] && return
    sleep 0.25
  done
}

# Processor time so far of every thread of the given copies: copy, thread, ns on CPU, name.
# The main thread (the user interface's) is marked, as other threads may carry its name.
snapshot() {
  local i pid t comm ns
  for i in "$@"; do
    pid=${copies[i]}
    for t in /proc/"$pid"/task/*; do
      { read -r comm <"$t/comm" && read -r ns _ <"$t/schedstat"; } 2>/dev/null || continue
      [ "${t##*/}" = "$pid" ] && comm="$comm (ui)"
      printf '%s\t%s\t%s\t%s\n' "$i" "${t##*/}" "$ns" "$comm"
    done
  done
}

# The shared speech cache, when the program can prepare one (older builds refuse the option).
shared=""
if [ "$cold" = 1 ]; then
  echo "shared speech cache: none (--cold)"
else
  target=${cache:-$scratch/shared}
  prep=$scratch/prepare
  mkdir -p "$prep"/{home,config,data,cache,runtime,tmp} && chmod 700 "$prep/runtime"
  # Its own folders: preparing must not read or change the settings of whoever runs this.
  HOME=$prep/home XDG_CONFIG_HOME=$prep/config XDG_DATA_HOME=$prep/data \
    XDG_CACHE_HOME=$prep/cache XDG_RUNTIME_DIR=$prep/runtime TMPDIR=$prep/tmp \
    PULSE_SERVER=unix:/nonexistent QT_QPA_PLATFORM=offscreen \
    timeout 600 "$program" --prepare-speech "$target" >"$prep/log" 2>&1
  status=$?
  if [ $status = 0 ]; then
    if [ -d "$target" ] && [ -n "$(ls -A "$target" 2>/dev/null)" ]; then
      shared=$target
      [ -n "$cache" ] || chmod -R a-w "$shared" # as a school's shared folder is to its pupils
      echo "shared speech cache: prepared ($(du -sh "$shared" | cut -f1))"
    else
      # Success with nothing to show for it is not a cache: the copies go without one.
      echo "shared speech cache: none (preparing succeeded but left $target empty)"
    fi
  else
    prep_says=$(head -n1 "$prep/log")
    echo "shared speech cache: none (exit $status${prep_says:+: $prep_says})"
  fi
fi
echo

printf '%-7s %-24s %-8s %-8s %-9s %-14s %s\n' copies "click -> Form2 shown, ms" "PSS MB" "USS MB" "CPU ms" opened "CPU ms by thread"
printf '%-7s %-24s %-8s %-8s %-9s %-14s %s\n' "" "median    p95    max" median median median "" "(median per copy)"

for n in "${sizes[@]}"; do
  round=$scratch/n$n
  mkdir -p "$round"

  # N servers at once; each picks a free display itself and writes its number when ready.
  for ((i = 1; i <= n; i++)); do
    Xvfb -displayfd 3 -screen 0 ${width}x${height}x24 -nolisten tcp 3>"$round/x$i" >/dev/null 2>&1 &
    servers[i]=$!
  done
  deadline=$((SECONDS + 30))
  for ((i = 1; i <= n; i++)); do
    while [ ! -s "$round/x$i" ] && alive "${servers[i]}" && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
    display[i]=""
    read -r "display[i]" <"$round/x$i" 2>/dev/null
  done

  started=()
  for ((i = 1; i <= n; i++)); do
    copies[i]=""
    [ -n "${display[i]}" ] || continue
    c=$round/c$i
    mkdir -p "$c"/{home,config,data,cache,runtime,tmp} && chmod 700 "$c/runtime"
    (
      cd "$c" || exit 1
      export DISPLAY=:${display[i]} QT_QPA_PLATFORM=xcb
      export HOME=$c/home XDG_CONFIG_HOME=$c/config XDG_DATA_HOME=$c/data XDG_CACHE_HOME=$c/cache
      export XDG_RUNTIME_DIR=$c/runtime TMPDIR=$c/tmp TZ=UTC PULSE_SERVER=unix:/nonexistent
      export QT_LOGGING_RULES="munchora.screens.debug=true"
      export QT_MESSAGE_PATTERN="%{time yyyy-MM-dd hh:mm:ss.zzz} %{message}"
      # Each pupil has a session of their own: none reaches the session bus of whoever runs this.
      unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY MUNCHORA_SHARED_SPEECH
      [ -n "$shared" ] && export MUNCHORA_SHARED_SPEECH=$shared
      # Watched from here: its exit status is kept, and the shell's word on a copy killed by a
      # signal goes to the copy's log rather than amid the figures.
      "$program" &
      echo $! >"$c/pid"
      wait $!
      echo $? >"$c/status"
    ) >"$c/out" 2>"$c/log" &
  done
  for ((i = 1; i <= n; i++)); do
    [ -n "${display[i]}" ] || continue
    for _ in $(seq 100); do [ -s "$round/c$i/pid" ] && break; sleep 0.05; done
    read -r "copies[i]" 2>/dev/null <"$round/c$i/pid" && started+=("$i")
  done

  # On to the menu: every copy's splash clicked once, again for one that missed it.
  await FormAvvio 120 "${started[@]}"
  at_splash=("${reached[@]}")

  # The clicks land where the screenshots showed only on a full screen of that size.
  wrong=""
  if [ ${#at_splash[@]} -gt 0 ]; then
    i=${at_splash[0]}
    size=$(DISPLAY=:${display[i]} xdotool getdisplaygeometry 2>/dev/null)
    [ "$size" = "$width $height" ] || wrong="the screen is ${size:-unknown}, not ${width}x${height}"
    window=$(DISPLAY=:${display[i]} xdotool search --onlyvisible --pid "${copies[i]}" 2>/dev/null | head -n1)
    geometry=$(DISPLAY=:${display[i]} xdotool getwindowgeometry --shell "$window" 2>/dev/null | tr '\n' ' ')
    [[ $geometry == *"X=0 Y=0 WIDTH=$width HEIGHT=$height "* ]] ||
      wrong="${wrong:+$wrong; }the window is not full screen (${geometry:-no window})"
  fi
  if [ -n "$wrong" ]; then
    printf '%-7s %s\n' "$n" "no figures: $wrong" # its clicks would land elsewhere
    stop_round
    continue
  fi
  at_menu=()
  for _ in 1 2 3; do
    todo=()
    for i in "${at_splash[@]}"; do
      [[ " ${at_menu[*]} " == *" $i "* ]] || todo+=("$i")
    done
    [ ${#todo[@]} -gt 0 ] || break
    for i in "${todo[@]}"; do
      DISPLAY=:${display[i]} xdotool mousemove $splash_x $splash_y click 1 >/dev/null 2>&1 &
      clickers+=($!)
    done
    wait "${clickers[@]}" 2>/dev/null
    await FormMenu 30 "${at_splash[@]}"
    at_menu=("${reached[@]}")
  done

  sleep 3 # the menu's own speech is over

  snapshot "${at_menu[@]}" >"$round/before"
  # The teacher's word: every click leaves at once; each copy's time is taken just before its own.
  : >"$round/clicks"
  for i in "${at_menu[@]}"; do
    us=${EPOCHREALTIME//[.,]/} # read without a fork, so that the clicks leave together
    echo "$i ${us%???}" >>"$round/clicks"
    DISPLAY=:${display[i]} xdotool mousemove $tile_x $tile_y click 1 >/dev/null 2>&1 &
    clickers+=($!)
  done
  await Form2 60 "${at_menu[@]}"
  opened=("${reached[@]}")
  [ ${#opened[@]} -gt 0 ] && sleep 4 # its title and word are spoken, on the silent clock
  # A thread that ends between the two snapshots is missed; Qt's pooled threads idle 30 s first.
  snapshot "${opened[@]}" >"$round/after"

  : >"$round/memory"
  : >"$round/shown"
  for i in "${opened[@]}"; do
    echo "$i $(grep -m1 -F "Form2 shown" "$round/c$i/log")" >>"$round/shown"
    alive "${copies[i]}" || continue
    awk -v i="$i" '$1 == "Pss:" { pss = $2 } $1 ~ /^Private_(Clean|Dirty):$/ { uss += $2 }
      END { if (pss != "") print i, pss, uss }' "/proc/${copies[i]}/smaps_rollup" >>"$round/memory" 2>/dev/null
  done

  # A copy that ended by itself says how: its exit status, or the signal that ended it.
  ended=0
  how=""
  for i in "${started[@]}"; do
    alive "${copies[i]}" && continue
    ended=$((ended + 1))
    for _ in $(seq 20); do [ -s "$round/c$i/status" ] && break; sleep 0.05; done
    read -r status 2>/dev/null <"$round/c$i/status" || status="?"
    if [ "$status" != "?" ] && [ "$status" -gt 128 ]; then status="signal $((status - 128))"; else status="status $status"; fi
    [[ ", $how, " == *", $status, "* ]] || how=${how:+$how, }$status
  done
  stop_round

  # The row. Times in the log are UTC wall-clock times with milliseconds, as the clicks'.
  awk -v n="$n" -v opened="${#opened[@]}" '
    function isort(a, k,   i, j, v) {
      for (i = 2; i <= k; i++) {
        v = a[i]
        for (j = i - 1; j >= 1 && a[j] > v; j--) a[j + 1] = a[j]
        a[j + 1] = v
      }
    }
    function rank(a, k, p) { return a[int(p * k - 1e-9) + 1] } # nearest rank; 0.95 * 20 is not quite 19
    function median(a, k) { return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2 }
    function days(y, m, d,   era, yoe, doy) { # days since 1970-01-01 of a civil date
      y -= (m <= 2)
      era = int(y / 400)
      yoe = y - era * 400
      doy = int((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5) + d - 1
      return era * 146097 + yoe * 365 + int(yoe / 4) - int(yoe / 100) + doy - 719468
    }
    FILENAME ~ /clicks$/ { click[$1] = $2; next }
    FILENAME ~ /shown$/ {
      if (NF < 3 || !($1 in click)) next
      split($2, d, "-"); split($3, t, "[:.]")
      ms = ((days(d[1] + 0, d[2] + 0, d[3] + 0) * 24 + t[1]) * 60 + t[2]) * 60000 + t[3] * 1000 + t[4]
      lat[++nl] = ms - click[$1]
      next
    }
    FILENAME ~ /memory$/ { pss[++nm] = $2 / 1024; uss[nm] = $3 / 1024; next }
    FILENAME ~ /before$/ { before[$1, $2] = $3; next }
    FILENAME ~ /after$/ {
      name = $4; for (f = 5; f <= NF; f++) name = name " " $f
      if (name !~ /\(ui\)$/) sub(/[-_ #:]*[0-9]+$/, "", name) # "pool-3" is one of the pool
      ms = ($3 - (($1, $2) in before ? before[$1, $2] : 0)) / 1e6
      cpu[$1, name] += ms; total[$1] += ms; copy[$1] = 1
      if (!(name in named)) { named[name] = 1; names[++nn] = name }
      next
    }
    END {
      isort(lat, nl); isort(pss, nm); isort(uss, nm)
      k = 0; for (c in copy) t2[++k] = total[c]
      isort(t2, k)
      if (nl) line = sprintf("%6.0f %6.0f %6.0f", median(lat, nl), rank(lat, nl, 0.95), lat[nl])
      else line = sprintf("%6s %6s %6s", "-", "-", "-")
      split("", by); threads = ""
      for (j = 1; j <= nn; j++) {
        m = 0; for (c in copy) v[++m] = ((c, names[j]) in cpu ? cpu[c, names[j]] : 0)
        isort(v, m); by[j] = median(v, m)
      }
      # Busiest thread first.
      for (j = 1; j <= nn; j++) order[j] = j
      for (j = 2; j <= nn; j++) for (i = j; i > 1 && by[order[i]] > by[order[i - 1]]; i--) {
        x = order[i]; order[i] = order[i - 1]; order[i - 1] = x
      }
      for (j = 1; j <= nn; j++) threads = threads (j > 1 ? ", " : "") sprintf("%s %.0f", names[order[j]], by[order[j]])
      printf "%-7d %-24s %-8s %-8s %-9s %-14s %s\n", n, line,
        nm ? sprintf("%.1f", median(pss, nm)) : "-", nm ? sprintf("%.1f", median(uss, nm)) : "-",
        k ? sprintf("%.0f", median(t2, k)) : "-", "opened: " opened "/" n, threads
    }' "$round/clicks" "$round/shown" "$round/memory" "$round/before" "$round/after"

  # What went wrong, counted: none of it stops the benchmark.
  notes=()
  [ $((n - ${#started[@]})) -gt 0 ] && notes+=("$((n - ${#started[@]})) had no display")
  [ $((${#started[@]} - ${#at_splash[@]})) -gt 0 ] && notes+=("$((${#started[@]} - ${#at_splash[@]})) showed no splash")
  [ $((${#at_splash[@]} - ${#at_menu[@]})) -gt 0 ] && notes+=("$((${#at_splash[@]} - ${#at_menu[@]})) did not reach the menu")
  [ $((${#at_menu[@]} - ${#opened[@]})) -gt 0 ] && notes+=("$((${#at_menu[@]} - ${#opened[@]})) did not open the exercise in 60 s")
  [ "$ended" -gt 0 ] && notes+=("$ended ended early ($how)")
  [ "$killed" -gt 0 ] && notes+=("$killed had to be killed, SIGTERM did not end them")
  if [ ${#notes[@]} -gt 0 ]; then
    line="        of $n copies: ${notes[0]}"
    for note in "${notes[@]:1}"; do line="$line; $note"; done
    echo "$line"
    for i in $(seq "$n"); do # the first copy that went wrong tells why, in its own words
      [ -s "$round/c$i/log" ] || continue
      grep -q -F "Form2 shown" "$round/c$i/log" && continue
      echo "        copy $i's log ends: $(tail -n1 "$round/c$i/log")"
      break
    done
  fi
  rm -rf "$round"
done
