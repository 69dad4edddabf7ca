#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (CMake uses this
# as the emulator of the cross builds). The Wine and its prefix follow the
# program: a 64-bit program runs under wine64 in the 64-bit prefix, a 32-bit
# one under wine (unless BRELIX_WINE_ARCH says otherwise). Output has CR LF
# line ends from the program; they are passed through unchanged.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
if [ -z "${BRELIX_WINE_ARCH:-}" ] && [ -f "${1:-}" ]; then
  source "$here/wine-env.sh"
  arch="$(brelix_pe_arch "$1")"
  if [ -n "$arch" ] && [ "$arch" != "$BRELIX_WINE_ARCH" ]; then
    export BRELIX_WINE_ARCH="$arch"
  fi
fi
source "$here/wine-env.sh"
"$here/wine-prefix.sh"
exec wine "$@"
