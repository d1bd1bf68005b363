#!/usr/bin/env bash
# Builds the programs and starts TALVER in examples/, where the shipped
# nodes files and the sample data sets lie.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/deps.sh"
talver_install_missing
talver_build
cd "$top/examples"
exec "$top/build/bin/talver"
