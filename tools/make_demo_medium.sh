#!/usr/bin/env bash
# Lays out the demo update medium and a demo installation it applies to.
#   tools/make_demo_medium.sh MEDIUM_DIR INSTALL_DIR [BRELIX_CLI [PACK_OPTION...]]
# MEDIUM_DIR is built by `brelix-cli pack` from demo/source (its pictures made
# by tools/make_bmp.cpp into a copy of it); by default a one-folder medium
# without Brelix.exe (--media folder --exe none), PACK_OPTIONs change that
# (--media floppy --exe PATH ...). BRELIX_CLI defaults to $BRELIX_CLI, else
# build/cli/brelix-cli. INSTALL_DIR becomes an installation of version 8.0S
# of the estimation package: settings, menu file, tool, bitmaps, master sets.
# Both folders are emptied first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
medium="$1"
install="$2"
cli="${3:-${BRELIX_CLI:-$root/build/cli/brelix-cli}}"
shift $(($# < 3 ? $# : 3))
[ -x "$cli" ] || { echo "make_demo_medium: no brelix-cli at $cli (build it: cmake --build build --target brelix-cli)" >&2; exit 1; }

rm -rf "$medium" "$install"
mkdir -p "$(dirname "$medium")" "$install"
install="$(cd "$install" && pwd)"

crlf() { printf '%s\r\n' "$@"; }
to932() { iconv -f UTF-8 -t CP932; }
# Master records: a size record of 186 bytes (code 400400, sub-code 000107)
# that the size conversion shortens to 185, and a record whose type letter
# (byte 13) is A, which the type conversion turns into Z.
size_record() { printf '400400000107%s' "$(printf '%0174d' 0 | tr 0 "$1")"; }
type_record() { printf '1234567890123A%s' "$1"; }

src="$(mktemp -d)"
trap 'rm -rf "$src"' EXIT
# The pictures, from the picture generator built for this machine, into a
# copy of the source.
c++ -std=c++17 -O2 -o "$src/make_bmp" "$root/tools/make_bmp.cpp"
cp -r "$root/demo/source" "$src/source"
"$src/make_bmp" "$src/source" >/dev/null
"$cli" pack "$src/source" "$medium" --media folder --exe none "$@" >/dev/null

mkdir -p "$install/bmp" "$install/master/1" "$install/master/21" "$install/形式"
crlf "[SYSTEM]" "TITLE=見積原価システム 8.0S" "Version=8.0S" "" "[DIR]" 'MASTER=master\' | to932 >"$install/morefa1.ini"
crlf "[MENU]" "1=見積" | to932 >"$install/mo2menu.ini"
printf 'MZ' >"$install/tessolin.exe"
cp "$src/source/notes.bmp" "$install/bmp/VOSKE2L.BMP"
cp "$src/source/target.bmp" "$install/bmp/file.BMP"
{ size_record A; printf '\r\n'; type_record "ﾃﾞﾓ材料A" | to932; printf '\n'; } >"$install/master/1/pok001-3.mst"
{ type_record "ﾃﾞﾓ材料C" | to932; } >"$install/master/21/pok001-3.mst"
# The installed template dates from 2021: the update replaces it.
printf 'template 8.0S\r\n' >"$install/形式/横K-R7q.xlsm"
touch -d '2021-06-01 12:00 UTC' "$install/形式/横K-R7q.xlsm"
