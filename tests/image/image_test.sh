#!/usr/bin/env bash
# The checks of the emulated unit: builds it (scripts/image), then boots it
# again and again inside scripts/sandbox --net, where the forwarded port and
# everything the unit could reach are the sandbox's own. The unit's driver
# is image/emulated_unit.py.
#   tests/image/image_test.sh [PYTEST ARGS...]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/image
PYTHONPATH=image exec scripts/sandbox --net --scratch pytest-3 -q -p no:cacheprovider tests/image "$@"
