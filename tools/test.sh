#!/usr/bin/env bash
# Builds both builds and runs every test: the native suite first, then the
# Windows suite under Wine. Installs what is missing first.
#   tools/test.sh            everything
#   tools/test.sh native     native build and tests only
#   tools/test.sh sanitize   native tests built with AddressSanitizer and
#                            UndefinedBehaviorSanitizer (build-asan)
#   tools/test.sh windows    Windows build and tests only
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
what="${1:-all}"
jobs="${BRELIX_JOBS:-2}"

bash tools/setup.sh

status=0
if [ "$what" = all ] || [ "$what" = native ]; then
  echo "== native build"
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$jobs"
  echo "== native tests"
  ctest --test-dir build -j"$jobs" --output-on-failure || status=1
fi

if [ "$what" = all ] || [ "$what" = sanitize ]; then
  echo "== native build with AddressSanitizer and UBSan"
  asan="${BRELIX_ASAN_BUILD:-build-asan}"
  # -O1 with line tables: quick to build, readable reports.
  cmake -S . -B "$asan" -DBRELIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g1" -DCMAKE_C_FLAGS_RELEASE="-O1 -g1" >/dev/null
  cmake --build "$asan" -j"$jobs"
  echo "== native tests under the sanitizers"
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$asan" -j"$jobs" --output-on-failure || status=1
fi

if [ "$what" = all ] || [ "$what" = windows ]; then
  echo "== Windows build (i686, mingw-w64)"
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-win -j"$jobs"
  echo "== Windows tests under Wine"
  source tools/wine-env.sh
  tools/wine-prefix.sh
  # One persistent server for the whole run keeps each program start fast.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true' EXIT
  ctest --test-dir build-win -j"$jobs" --output-on-failure || status=1
fi

exit "$status"
