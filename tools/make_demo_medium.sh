#!/usr/bin/env bash
# Lays out the demo update medium and a demo installation it applies to.
#   tools/make_demo_medium.sh MEDIUM_DIR INSTALL_DIR
# MEDIUM_DIR gets info.txt, the LZH archives (made with jlha), the single
# files and the pictures; INSTALL_DIR becomes an installation of version 8.0S
# of the estimation package: settings, menu file, tool, bitmaps, master sets.
# Both folders are emptied first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
medium="$1"
install="$2"

rm -rf "$medium" "$install"
mkdir -p "$medium" "$install"
medium="$(cd "$medium" && pwd)"
install="$(cd "$install" && pwd)"

crlf() { printf '%s\r\n' "$@"; }
to932() { iconv -f UTF-8 -t CP932; }
# Master records: a size record of 186 bytes (code 400400, sub-code 000107)
# that the size conversion shortens to 185, and a record whose type letter
# (byte 13) is A, which the type conversion turns into Z.
size_record() { printf '400400000107%s' "$(printf '%0174d' 0 | tr 0 "$1")"; }
type_record() { printf '1234567890123A%s' "$1"; }

cp "$root/demo/medium/info.txt" "$medium/info.txt"

src="$(mktemp -d)"
trap 'rm -rf "$src"' EXIT
# The pictures, from the picture generator built for this machine.
c++ -std=c++17 -O2 -o "$src/make_bmp" "$root/tools/make_bmp.cpp"
"$src/make_bmp" "$medium" >/dev/null
mkdir -p "$src"/{prog,start,master,excel}
crlf "見積原価システム 本体 9.1S" | to932 >"$src/prog/MITSUMO.TXT"
crlf "[PROGRAM]" "BUILD=910" >"$src/prog/PROGRAM.INI"
crlf "見積原価システム 9.1S 起動設定" | to932 >"$src/start/START.TXT"
{ size_record B; printf '\r\n'; type_record "ﾃﾞﾓ材料B" | to932; printf '\r\n'; } >"$src/master/pok101-3.mst"
printf 'demo template 9.1S\r\n' >"$src/excel/横K-R7q.xlsm"
lzh() { local out="$1" dir="$2"; shift 2; (cd "$dir" && jlha co5y2q "$out" "$@" >/dev/null); }
lzh "$medium/PROG.lzh" "$src/prog" MITSUMO.TXT PROGRAM.INI
# The installed 8.0S matches the second title pattern: the run asks for START2.
# Each of the 15 title patterns selects its own START archive, so the medium
# carries all of them.
for i in $(seq 1 15); do
  lzh "$medium/START$i.lzh" "$src/start" START.TXT
done
lzh "$medium/MASTER.lzh" "$src/master" pok101-3.mst
lzh "$medium/EXCEL.lzh" "$src/excel" 横K-R7q.xlsm
crlf "見積原価システム 9.1S をお使いいただきありがとうございます。" | to932 >"$medium/readme.txt"
crlf "[SETUP]" "VERSION=9.1S" >"$medium/Setup.ini"

mkdir -p "$install/bmp" "$install/master/1" "$install/master/21" "$install/形式"
crlf "[SYSTEM]" "TITLE=見積原価システム 8.0S" "Version=8.0S" "" "[DIR]" 'MASTER=master\' | to932 >"$install/morefa1.ini"
crlf "[MENU]" "1=見積" | to932 >"$install/mo2menu.ini"
printf 'MZ' >"$install/tessolin.exe"
cp "$medium/notes.bmp" "$install/bmp/VOSKE2L.BMP"
cp "$medium/target.bmp" "$install/bmp/file.BMP"
{ size_record A; printf '\r\n'; type_record "ﾃﾞﾓ材料A" | to932; printf '\n'; } >"$install/master/1/pok001-3.mst"
{ type_record "ﾃﾞﾓ材料C" | to932; } >"$install/master/21/pok001-3.mst"
# The installed template dates from 2021: the update replaces it.
printf 'template 8.0S\r\n' >"$install/形式/横K-R7q.xlsm"
touch -d '2021-06-01 12:00 UTC' "$install/形式/横K-R7q.xlsm"
