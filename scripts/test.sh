#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/deps.sh"
talver_install_missing
talver_build
cd "$top/build"
ctest --output-on-failure -j"$(nproc)"
