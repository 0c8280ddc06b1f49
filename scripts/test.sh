#!/bin/bash
# Sets everything up and runs every test: the normal build, the same suite
# under AddressSanitizer and UBSan, and a bounded fuzzing run. Every stage
# runs even when an earlier one fails; the summary at the end names them.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

normal() {
    "$root/scripts/setup.sh" "$root/build" &&
        ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
}

sanitizer() {
    "$root/scripts/setup.sh" "$root/build-asan" -DDURURIVE_SANITIZE=ON -DDURURIVE_BENCH=OFF &&
        ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
}

fuzz() {
    DURURIVE_TARGET=composer_fuzz "$root/scripts/setup.sh" "$root/build-fuzz" -DDURURIVE_FUZZ=ON \
        -DDURURIVE_SANITIZE=ON -DDURURIVE_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ &&
        ctest --test-dir "$root/build-fuzz" --output-on-failure -L fuzz
}

summary=()
failed=0
for stage in normal sanitizer fuzz; do
    echo "=== $stage build and tests"
    if "$stage"; then
        summary+=("$stage: passed")
    else
        summary+=("$stage: FAILED")
        failed=1
    fi
done

echo "=== summary"
printf '  %s\n' "${summary[@]}"
exit "$failed"
