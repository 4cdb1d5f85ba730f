#!/usr/bin/env bash
# A new machine's test command: installs what is needed, builds, runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/test.sh
