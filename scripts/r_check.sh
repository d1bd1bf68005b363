#!/usr/bin/env bash
# Builds the R package r/talver and checks it (R CMD check --no-manual), its
# tests run against the talver-fit of build/. Fails on any ERROR, WARNING or
# NOTE. Run by test.sh after the first build's tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
scratch="$top/build/r-check"
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

export TALVER_FIT="$top/build/bin/talver-fit"
# The check asks no one: an empty repository of its own for the packages'
# index, no clock to ask for the files' times, no validator for the HTML
# help (none of them is about the package).
mkdir -p repository/src/contrib
: > repository/src/contrib/PACKAGES
echo "options(repos = c(CRAN = \"file://$scratch/repository\"))" > profile.R
export R_PROFILE_USER="$scratch/profile.R"
export _R_CHECK_FUTURE_FILE_TIMESTAMPS_=false
export _R_CHECK_RD_VALIDATE_RD2HTML_=false

R CMD build --no-build-vignettes "$top/r/talver" > build.log 2>&1 || { cat build.log; exit 1; }
tarball=$(ls talver_*.tar.gz)
status=0
R CMD check --no-manual "$tarball" > check.log 2>&1 || status=$?
if [ "$status" -ne 0 ] || grep -qE '^\* .*\.\.\. *(ERROR|WARNING|NOTE)|^Status: .*(ERROR|WARNING|NOTE)' check.log; then
    cat check.log
    find talver.Rcheck -name '*.Rout.fail' -exec cat {} +
    echo "R CMD check of $tarball failed: $scratch/check.log" >&2
    exit 1
fi
echo "R CMD check of $tarball: OK"
