#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Sourced by run.sh and test.sh.
set -euo pipefail

talver_packages=(cmake g++ make libgtest-dev qt6-base-dev fonts-dejavu-core fonts-dejavu-extra clang libclang-rt-14-dev libboost-math-dev qt6-svg-dev nlohmann-json3-dev libsleef-dev libcsv-dev nettle-dev)

# R with the packages the R package r/talver is checked with (test.sh).
talver_r_packages=(r-base-core r-cran-jsonlite r-cran-testthat)

talver_install_missing() {
    local missing=()
    for package in "${talver_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: ${missing[*]} (run this script as root to install them)" >&2
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

talver_build() {
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$top/build" -j"$(nproc)"
}
