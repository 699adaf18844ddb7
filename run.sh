#!/usr/bin/env bash
# Builds tarvona and its generated data files, then starts it full screen
# from the data folder. Escape ends it.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/deps.sh"
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default --target tarvona tarvona_data
cd "$root/build/default/data"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${TARVONA_HEADLESS:-}" != "1" ]; then
  echo "tarvona: no display here; for headless frames run: (cd $PWD && TARVONA_HEADLESS=1 TARVONA_FRAMES=120 TARVONA_CAPTURE=/tmp/tarvona.png ../tarvona)" >&2
  exit 1
fi
exec ../tarvona "$@"
