#!/usr/bin/env bash
# Starts the program offscreen with the settings directory DIR and ends it
# with SIGTERM, as a desktop session does at logout; every box it shows is
# logged. The first start in a new folder creates the default settings
# (box 547); the second start must show no box at all, or only the
# missing-help box 546 when the build made no help files (HELP_FILES = 0).
#
#   .ci/startstop.sh PROGRAM DIR HELP_FILES [first-start-only]
set -euo pipefail
program=$1 dir=$2 help=$3 mode=${4:-}

# Starts the program and waits until the log shows `ready` (a pattern):
# the window up with its event loop running, or a box of the start.
start() {
  local log=$1 ready=$2
  PXRQ60_SETTINGS_DIR=$dir QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="pxrq60.message.info=true;pxrq60.app.info=true" \
    QT_MESSAGE_PATTERN="%{category}: %{message}" "$program" 2>"$log" &
  local pid=$! waited=0
  while ! grep -qE "$ready" "$log" && [ $waited -lt 600 ]; do
    kill -0 $pid 2>/dev/null || { echo "program ended by itself:"; cat "$log"; return 1; }
    sleep 0.1
    waited=$((waited + 1))
  done
  grep -qE "$ready" "$log" || echo "not ready after 60 s"
  kill -TERM $pid
  local rc=0
  wait $pid || rc=$?
  [ $rc = 0 ] || { echo "program ended with $rc on SIGTERM:"; cat "$log"; return 1; }
}

mkdir -p "$dir"
first=$(mktemp)
start "$first" "pxrq60.message: text 547 "
grep -q "pxrq60.message: text 547 " "$first" || { echo "first start: no box 547 for the new settings"; cat "$first"; exit 1; }
rm -f "$first"
[ "$mode" = first-start-only ] && exit 0

second=$(mktemp)
start "$second" "^pxrq60.(app: started|message: text)"
boxes=$(grep "^pxrq60.message:" "$second" || true)
started=$(grep -c "^pxrq60.app: started" "$second" || true)
rm -f "$second"
if [ -z "$boxes" ]; then
  [ "$started" -gt 0 ] || { echo "the window did not come up"; exit 1; }
  echo "started and ended on request, no box"
elif [ "$help" = 0 ] && ! echo "$boxes" | grep -qv "text 546 "; then
  # Before the help files exist the program says so, and nothing else.
  echo "started and ended on request; the only box: the missing help (no help files built)"
else
  echo "boxes at start: $boxes"
  exit 1
fi
