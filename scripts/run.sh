#!/usr/bin/env bash
# Installs what is missing, builds Ovalon, installs its Python package (scripts/install-python.sh)
# and starts the window. Without a display it says how to get one and shows what the program
# computes by running ovalon-report on an example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/install-python.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat <<'TEXT'
Ovalon's window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set.
To get one: run it under a virtual X server with `xvfb-run -a bash scripts/run.sh`, or log in
with `ssh -X` (X forwarding) and run this command again to see the window on your own screen.

Meanwhile, the reports that the window computes, from its command-line twin:
  ./build/cli/ovalon-report --diagonals examples/c60_ideal.xyz

TEXT
  ./build/cli/ovalon-report --diagonals examples/c60_ideal.xyz
  exit 0
fi
exec ./build/app/ovalon "$@"
