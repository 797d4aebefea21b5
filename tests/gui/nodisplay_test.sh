#!/usr/bin/env bash
# The window started where it cannot be shown: one line on standard error and status 1, never
# Qt's abort.
# Usage: nodisplay_test.sh OVALON
set -uo pipefail
ovalon=$1
failures=0

# expect NAME START-OF-MESSAGE [VARIABLE=VALUE...]: runs the program without any display
# variable but the ones given.
expect() {
  local name=$1 start=$2
  shift 2
  local err status
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$ovalon" 2>&1 >/dev/null)
  status=$?
  if [ "$status" != 1 ] || [ "$(printf '%s\n' "$err" | wc -l)" != 1 ] ||
    [ "${err#"$start"}" = "$err" ]; then
    echo "$name: status $status, standard error:"
    printf '%s\n' "$err"
    failures=$((failures + 1))
  fi
}

expect "no display" "ovalon: the window needs a display, but neither DISPLAY nor WAYLAND_DISPLAY"
expect "no X server" "ovalon: the window cannot start: could not connect to display" DISPLAY=:4711
expect "platform chosen, no display" "ovalon: the window cannot start: " QT_QPA_PLATFORM=xcb
expect "no Wayland platform" "ovalon: the window cannot start: " WAYLAND_DISPLAY=wayland-4711
[ "$failures" = 0 ] && echo "every start without a display failed cleanly"
exit "$failures"
