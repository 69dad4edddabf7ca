#!/usr/bin/env bash
# Builds both builds and runs every test: the native suite first, then the
# Windows suites under Wine. Installs what is missing first.
#   tools/test.sh            everything
#   tools/test.sh native     native build and tests only
#   tools/test.sh sanitize   native tests built with AddressSanitizer and
#                            UndefinedBehaviorSanitizer (build-asan)
#   tools/test.sh windows    Windows builds and tests only: the 64-bit build
#                            under wine64 always, the 32-bit one where this
#                            machine can execute 32-bit programs (otherwise
#                            it is built and checked statically).
#                            BRELIX_WIN_ARCH=x86|x64|both forces the choice;
#                            BRELIX_ASSUME_NO_32BIT=1 acts as if 32-bit
#                            programs could not run.
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
  source tools/wine-env.sh
  # Which Windows builds run: the 64-bit test build always; the shipped 32-bit
  # program too where this machine can execute 32-bit programs (probed).
  # BRELIX_WIN_ARCH=x86|x64|both forces the choice.
  run_x64=1
  run_x86=0
  why="this machine can execute 32-bit programs"
  if brelix_can_run_32bit; then
    run_x86=1
  elif [ "${BRELIX_ASSUME_NO_32BIT:-0}" = 1 ]; then
    why="BRELIX_ASSUME_NO_32BIT=1"
  else
    why="this machine cannot execute 32-bit programs"
  fi
  case "${BRELIX_WIN_ARCH:-}" in
    "") ;;
    x86) run_x64=0; run_x86=1; why="BRELIX_WIN_ARCH=x86" ;;
    x64) run_x64=1; run_x86=0; why="BRELIX_WIN_ARCH=x64" ;;
    both) run_x64=1; run_x86=1; why="BRELIX_WIN_ARCH=both" ;;
    *) echo "test: BRELIX_WIN_ARCH must be x86, x64 or both" >&2; exit 64 ;;
  esac
  if [ "$run_x86" = 1 ] && [ "$run_x64" = 1 ]; then
    echo "== Windows: 64-bit and 32-bit builds run under Wine ($why)"
  elif [ "$run_x86" = 1 ]; then
    echo "== Windows: only the 32-bit build runs under Wine ($why)"
  else
    echo "== Windows: the 64-bit build runs under wine64; the 32-bit build is built and checked statically, not run ($why)"
  fi

  # windows_suite TREE TOOLCHAIN WINE_ARCH: builds one tree and runs its tests
  # under Wine with one persistent server.
  windows_suite() {
    local tree="$1" toolchain="$2" arch="$3"
    echo "== Windows build $tree ($toolchain)"
    cmake -S . -B "$tree" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$tree" -j"$jobs"
    echo "== Windows tests of $tree under Wine ($arch)"
    (
      export BRELIX_WINE_ARCH="$arch"
      unset WINEPREFIX
      source tools/wine-env.sh
      tools/wine-prefix.sh
      wineserver -p
      wine cmd /c exit </dev/null >/dev/null 2>&1 || true
      trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true' EXIT
      # A Wine process now and then fails to start on a loaded machine (no
      # output at all); such a test gets one more try, and a real failure
      # fails both.
      ctest --test-dir "$tree" -j"$jobs" --output-on-failure --repeat until-pass:2
    ) || status=1
  }

  if [ "$run_x64" = 1 ]; then windows_suite build-win64 mingw-x86_64 win64; fi
  if [ "$run_x86" = 1 ]; then
    windows_suite build-win mingw-i686 win32
  else
    echo "== Windows build build-win (mingw-i686): the shipped program, checked without running it"
    cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build build-win -j"$jobs"
    # Run directly: ctest would start the 32-bit test programs to list their tests.
    bash tests/app/check_shipped_exe.sh build-win/app/Brelix.exe i686-w64-mingw32-objdump || status=1
  fi
fi

exit "$status"
