#!/usr/bin/env bash
# Installs what is missing, builds the programs (build/run) and starts the
# trace viewer lorvex and kestrum on the simulated network (Calvory.DLL and
# the others beside the programs; the built-in demo network unless
# KESTRUM_SIM_CONFIG names another), with Kestrum's trace IDs enabled, so
# that kestrum's traces appear in the viewer.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the windows are yours: the
# script ends when both programs are closed.
#
# Without one it runs everything under Xvfb with a scripted person in place
# of you (kestrum_demo: kestrum's own code, choosing "PCI", activating the
# board, searching the network and filling the scan list, the I/O monitor, an
# attribute read, the debug window, the about box, exiting), then the viewer
# with one (lorvex_demo: the display selection and each page of the options
# sheet, a column and a colour changed, its splash and its info dialog), and
# writes pictures of the windows and of the whole screen to a folder it names:
# build/run/screenshots/<time>, or the folder given as the first argument. It
# ends by itself within a minute.
#
# Usage: scripts/run.sh [FOLDER]     (JOBS=n limits the parallel build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/run/bin"
trace_ids=(1000 1001 1002 1003)  # user commands, poll status, read failures, drag and drop

# The socket the viewer receives on, as the trace library finds it.
socket_file() {
  if [ -n "${LORVEX_SOCKET_DIR:-}" ]; then echo "$LORVEX_SOCKET_DIR/trace.sock"
  elif [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -d "$XDG_RUNTIME_DIR" ]; then echo "$XDG_RUNTIME_DIR/lorvex/trace.sock"
  else echo "/tmp/lorvex-$(id -u)/trace.sock"
  fi
}

# Traces sent before the viewer receives are dropped: give it a moment to open its socket.
wait_for_viewer() {
  local sock; sock=$(socket_file)
  for _ in $(seq 50); do
    [ -S "$sock" ] && return 0
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.2
  done
}

# Ends the viewer the normal way (it writes its settings back), then for sure.
end_viewer() {
  kill -TERM "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null || true; return 0; }
    sleep 0.2
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# ---- inside Xvfb (the script calls itself there)
if [ "${1:-}" = "--inside-xvfb" ]; then
  shots=$2
  KESTRUM_SCREENSHOT_DIR="$shots" "$bin/lorvex" >"$shots/lorvex.log" 2>&1 &
  viewer=$!
  wait_for_viewer "$viewer"
  status=0
  # The scripted person needs a few seconds; this is the limit should it ever stall.
  timeout -k 5 90 "$bin/trace_ids" "${trace_ids[@]}" -- "$bin/kestrum_demo" "$shots" || status=$?
  # The viewer photographs its window a moment after each change: let the last traces arrive and show.
  sleep 2
  end_viewer "$viewer"
  # Then the viewer's own dialogs, with a scripted person and pictures of the whole screen.
  timeout -k 5 60 "$bin/lorvex_demo" "$shots" || status=$?
  exit "$status"
fi

"$root/scripts/install-deps.sh"
echo "== build (build/run)"
cmake -S "$root" -B "$root/build/run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DSUITE_BUILD_TESTS=OFF -DSUITE_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/run" -j "${JOBS:-$(nproc)}" --target kestrum lorvex quenmark trace_ids kestrum_demo lorvex_demo

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== lorvex and kestrum on the simulated network (close both windows to end)"
  "$bin/lorvex" &
  viewer=$!
  program=
  trap '[ -n "$program" ] && kill -TERM "$program" 2>/dev/null; end_viewer "$viewer"; exit 130' INT TERM
  wait_for_viewer "$viewer"
  "$bin/trace_ids" "${trace_ids[@]}" -- "$bin/kestrum" &
  program=$!
  wait "$program" || true
  wait "$viewer" || true
  exit 0
fi

# ---- no display: Xvfb, a scripted person, pictures
shots=${1:-"$root/build/run/screenshots/$(date +%Y%m%d-%H%M%S)"}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
echo "== no display: running under Xvfb; pictures of the windows go to $shots"
# The viewer's settings, socket and trace table of this run alone, kept apart from yours.
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
mkdir -m 700 "$state/runtime"
# The viewer opens 200 x 300 the first time; wide enough here for its four columns, as a person would make it.
mkdir -p "$state/config/kestrum-suite"
cat >"$state/config/kestrum-suite/HKEY_CURRENT_USER.reg" <<'REG'
[Software]
[Software\TRACE]
[Software\TRACE\Lorvex]
[Software\TRACE\Lorvex\General]
"SizeX"=dword:00000370
"SizeY"=dword:00000190
"PositionX"=dword:00000020
"PositionY"=dword:00000020
REG
status=0
env XDG_CONFIG_HOME="$state/config" XDG_DATA_HOME="$state/data" XDG_RUNTIME_DIR="$state/runtime" \
    LORVEX_SOCKET_DIR="$state/sock" TAMSILE_NAMESPACE="run-$$" QT_QPA_PLATFORM=xcb \
    timeout -k 10 150 xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/run.sh" --inside-xvfb "$shots" || status=$?
# The run's own trace table (Tamsile.DLL names it after the user and the namespace).
rm -f "/dev/shm/tamsile-$(id -u)-run-$$"
echo "== pictures in $shots:"
ls -1 "$shots"/*.png 2>/dev/null | sed 's/^/   /' || true
if [ "$status" -ne 0 ]; then
  echo "run: the scripted run did not end cleanly (status $status); see $shots/lorvex.log" >&2
fi
exit "$status"
