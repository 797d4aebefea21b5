#!/usr/bin/env bash
# Installs the built Python package ovalon (build/python) for the system's Python, so that
# `/usr/bin/python3 -c "import ovalon"` works from any folder. When `python3` on PATH is another
# interpreter of the same version (pyenv, a virtual environment), it gets a path file that
# makes the same installed package importable there too, with Debian's numpy when it has none.
# Usage: install-python.sh [BUILD_DIR]   (default build; needs write access to /usr/local)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
system=/usr/bin/python3

if [ ! -d "$build/python/ovalon" ]; then
  echo "install-python.sh: $build has no Python package (Python 3, numpy or pybind11 missing)"
  exit 0
fi
cmake --install "$build" --component python >/dev/null
installed=$("$system" -c 'import ovalon, os; print(os.path.dirname(ovalon.__file__))' \
  2>/dev/null) || { echo "install-python.sh: $system cannot import the installed ovalon"; exit 1; }
echo "Python package ovalon installed in $installed"

other=$(command -v python3 || true)
if [ -z "$other" ] || [ "$("$other" -c 'import sys; print(sys.executable)')" = "$system" ]; then
  exit 0
fi
version() { "$1" -c 'import sys; print("%d.%d" % sys.version_info[:2])'; }
if [ "$(version "$other")" != "$(version "$system")" ]; then
  echo "install-python.sh: $other is Python $(version "$other"), the package is built for" \
       "$(version "$system"); use $system"
  exit 0
fi
# A folder of links that holds only ovalon and, for an interpreter without it, Debian's numpy:
# nothing else of the system's packages becomes visible to the other interpreter.
links=/usr/local/lib/ovalon/python$(version "$system")
mkdir -p "$links"
ln -sfn "$installed" "$links/ovalon"
if ! "$other" -c 'import numpy' 2>/dev/null; then
  ln -sfn "$("$system" -c 'import numpy, os; print(os.path.dirname(numpy.__file__))')" "$links/numpy"
fi
site=$("$other" -c 'import sysconfig; print(sysconfig.get_path("purelib"))')
echo "$links" > "$site/ovalon.pth"
"$other" -c 'import ovalon' && echo "and made importable by $other ($site/ovalon.pth)"
