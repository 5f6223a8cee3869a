#!/usr/bin/env bash
# The checks of the emulated unit: builds it (scripts/image), then boots it
# again and again inside scripts/sandbox --net, where the forwarded ports and
# everything the unit could reach are the sandbox's own. The unit's driver
# is image/emulated_unit.py.
#   tests/image/image_test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/image
# The footprint check mostly waits on the daemon's one-second pace, so it
# runs beside the others, in a unit of its own.
PYTHONPATH=image exec scripts/sandbox --net --scratch bash -c '
  pytest=(pytest-3 -q -p no:cacheprovider)
  "${pytest[@]}" tests/image/test_footprint.py & footprint=$!
  others=0
  "${pytest[@]}" --ignore tests/image/test_footprint.py tests/image || others=$?
  wait "$footprint" && exit "$others"'
