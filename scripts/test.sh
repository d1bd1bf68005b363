#!/usr/bin/env bash
# Builds everything and runs every test: the suite, the R package's check,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short run of each fuzzing harness.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/deps.sh"
# The report's test reads its PDF back as text, with Ghostscript.
talver_packages+=(ghostscript "${talver_r_packages[@]}")
talver_install_missing
talver_build
(cd "$top/build" && ctest --output-on-failure -j"$(nproc)")
# The R package, its tests run against the talver-fit just built.
if command -v R >/dev/null; then
    "$top/scripts/r_check.sh"
else
    echo "no R: the R package was not checked"
fi

# At -O1 with line tables only: the sanitizers find the same faults, and the
# build takes two fifths less time.
cmake -S "$top" -B "$top/build-asan" -DTALVER_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
# The test programs and what they run, nothing that no test runs.
cmake --build "$top/build-asan" -j"$(nproc)" --target talver_tests
# The suites forced onto each vector path ran in the first build; here the
# tests compare the paths in-process. The two heaviest, which count 12 MB
# of scores again and again, ran there too; their code runs here in the
# smaller cases and in the fuzzing harnesses.
(cd "$top/build-asan" && ctest --output-on-failure -j"$(nproc)" \
    -E '\.(baseline|avx2|avx512)$|PartsGiveWhatReadingNumberByNumberGives|ReportsDoNotDependOnTheThreadCount')

# Eight seconds a harness keep the command within its time; longer runs
# are for changes to what they cover.
if command -v clang++ >/dev/null; then
    "$top/scripts/fuzz.sh" 8
else
    echo "no clang++: the fuzzing harnesses were not run"
fi
