#!/usr/bin/env bash
# Builds the program and starts it against a simulated RQ-60 on a
# pseudo-terminal, with a settings folder of its own (demo-settings/, kept
# between runs). Connect with "Aktion > Verbinden" (F3).
#
#   ./demo.sh         a V2x device (software version 2.05)
#   ./demo.sh --v1    a V1x device (software version 1.22, user lock, DS archive)
set -euo pipefail
cd "$(dirname "$0")"
repo=$(pwd)

generation=2
case "${1:-}" in
  "") ;;
  --v1) generation=1 ;;
  *) echo "usage: $0 [--v1]" >&2; exit 2 ;;
esac

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start the demo from a desktop session (or under xvfb-run)." >&2
  exit 1
fi

bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target pxrq60 rq60sim

demo="$repo/demo-settings"
mkdir -p "$demo"
rm -f "$demo/sim.in" "$demo/sim.out"
mkfifo "$demo/sim.in"

# The simulator serves until its standard input closes; the demo holds it
# open on descriptor 3 and closes it at the end.
build/bin/rq60sim --generation "$generation" --link "$demo/rq60.tty" \
  --log "$demo/requests.log" <"$demo/sim.in" >"$demo/sim.out" 2>&1 &
sim_pid=$!
exec 3>"$demo/sim.in"

stop_sim() {
  exec 3>&- || true
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$demo/sim.in"
}
trap stop_sim EXIT

# The first line of the simulator's output is the device path.
port=""
for _ in $(seq 100); do
  port=$(head -n 1 "$demo/sim.out" 2>/dev/null || true)
  [ -n "$port" ] && [ -e "$port" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$demo/sim.out" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "The simulator did not start." >&2; exit 1; }

echo "Simulated RQ-60 (V${generation}x) on $port; settings in $demo"
echo "Control the device while the program runs: echo 'lock open' > /proc/$sim_pid/fd/0"
SLINE_32_COM1="$port" PXRQ60_SETTINGS_DIR="$demo" build/bin/pxrq60
