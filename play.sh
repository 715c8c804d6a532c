#!/bin/sh
# Sets up what is missing, builds Quibblix and starts the game.
set -eu
cd "$(dirname "$0")"
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quibblix
exec build/quibblix "$@"
