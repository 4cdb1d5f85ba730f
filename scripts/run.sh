#!/usr/bin/env bash
# A new machine's start command: installs what is needed, builds and starts the
# program. Until the window exists it evaluates an example system.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -x build/src/varnistrale ]; then
    exec build/src/varnistrale "$@"
fi
exec build/src/varnistrale-cli eval "${1:-data/examples/newtonian-f5.opt}"
