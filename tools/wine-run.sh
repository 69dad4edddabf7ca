#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (CMake uses this
# as the emulator of the cross build). Output has CR LF line ends from the
# program; they are passed through unchanged.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/wine-env.sh"
"$here/wine-prefix.sh"
exec wine "$@"
