#!/usr/bin/env bash
# Builds the programs and runs a 2-parameter analysis of the shipped example.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/deps.sh"
talver_install_missing
talver_build
cd "$top/examples"
exec "$top/build/bin/talver-fit" --model 2pl --subjects 1000 --items 20 \
    --discrimination 2pl-discrimination.dat --difficulty 2pl-difficulty.dat \
    --scores 2pl-scores.dat --nodes20
