# Sourced by every script that runs Windows programs: the project's own Wine
# prefix, Japanese locale (code page 932 is chosen per process from LANG).
BRELIX_ROOT="${BRELIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${BRELIX_WINEPREFIX:-$BRELIX_ROOT/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
export GTEST_COLOR=no
