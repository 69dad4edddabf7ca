# Sourced by every script that runs Windows programs: the project's own Wine
# prefix, Japanese locale (code page 932 is chosen per process from LANG).
#
# BRELIX_WINE_ARCH chooses the Wine: win32 (the default; the shipped 32-bit
# program, needs a machine that can execute 32-bit programs) or win64 (the
# 64-bit test build, runs everywhere). Each has its own prefix: wineprefix/
# and wineprefix64/, unless BRELIX_WINEPREFIX names one.
BRELIX_ROOT="${BRELIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export BRELIX_WINE_ARCH="${BRELIX_WINE_ARCH:-win32}"
case "$BRELIX_WINE_ARCH" in
  win32)
    export WINEPREFIX="${BRELIX_WINEPREFIX:-$BRELIX_ROOT/wineprefix}"
    ;;
  win64)
    export WINEPREFIX="${BRELIX_WINEPREFIX:-$BRELIX_ROOT/wineprefix64}"
    # /usr/bin/wine prefers the 32-bit loader; this directory's "wine" runs
    # the 64-bit one.
    case ":$PATH:" in
      *":$BRELIX_ROOT/tools/wine64-bin:"*) ;;
      *) export PATH="$BRELIX_ROOT/tools/wine64-bin:$PATH" ;;
    esac
    ;;
  *)
    echo "wine-env: BRELIX_WINE_ARCH must be win32 or win64, not '$BRELIX_WINE_ARCH'" >&2
    return 1 2>/dev/null || exit 1
    ;;
esac
export WINEARCH="$BRELIX_WINE_ARCH"
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
export GTEST_COLOR=no

# brelix_pe_arch FILE: win32 for an i386 Windows program, win64 for an x86-64
# one, nothing for anything else.
brelix_pe_arch() {
  local offset machine
  offset="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')" || return 0
  [ -n "$offset" ] || return 0
  machine="$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')"
  case "$machine" in
    014c) echo win32 ;;
    8664) echo win64 ;;
  esac
}

# brelix_can_run_32bit: true when this machine can execute 32-bit programs,
# found by starting the 32-bit Wine loader (some kernels have 32-bit
# emulation switched off: the loader then fails with "Exec format error").
# BRELIX_ASSUME_NO_32BIT=1 answers no without asking.
brelix_can_run_32bit() {
  [ "${BRELIX_ASSUME_NO_32BIT:-0}" = 1 ] && return 1
  [ -x /usr/lib/wine/wine ] || return 1
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
