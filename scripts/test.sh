#!/bin/bash
# Sets everything up and runs every test: the normal build, the same suite
# under AddressSanitizer and UBSan, a bounded fuzzing run, and a check that
# every C++ file keeps the project's .clang-format style. Every stage
# runs even when an earlier one fails; the summary at the end names them.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

normal() {
    "$root/scripts/setup.sh" "$root/build" &&
        ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
}

# The browser the gdbus test starts is ended there and its exit checked, so
# the engine's leaks at exit that tests/support/lsan.supp does not list fail it.
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

style() {
    local files differ=()
    command -v clang-format >/dev/null || { echo "clang-format is not installed"; return 1; }
    if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
        mapfile -t files < <(git -C "$root" ls-files '*.cpp' '*.h' '*.h.in')
    else
        mapfile -t files < <(cd "$root" && find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.h.in' \) -print)
    fi
    for file in "${files[@]}"; do
        clang-format --dry-run --Werror "$root/$file" >/dev/null 2>&1 || differ+=("$file")
    done
    if ((${#differ[@]})); then
        echo "These files differ from .clang-format (fix with clang-format -i):"
        printf '  %s\n' "${differ[@]}"
        return 1
    fi
    echo "${#files[@]} files keep the style"
}

summary=()
failed=0
for stage in normal style sanitizer fuzz; do
    echo "=== $stage"
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
