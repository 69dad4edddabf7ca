#!/usr/bin/env bash
# The Brelix demo: builds Brelix.exe, prepares a Wine prefix with a demo
# installation of the estimation package (registered in the system's list of
# installed programs), lays out the demo medium in out/demo/medium (drive D:,
# a CD-ROM) and starts the wizard from there.
#
#   tools/demo.sh            on your display when DISPLAY is set: you click
#                            through the wizard; each step is photographed
#   tools/demo.sh --auto     the wizard is clicked through for you
#                            (always so when there is no display: a virtual
#                            one is started)
#
# Screenshots of every step go to out/demo/shots. The demo installation is
# C:\ESTIMATE in the demo prefix (out/demo/wineprefix/drive_c/ESTIMATE); run
# the demo again to start from a fresh installation.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${BRELIX_JOBS:-2}"
build="${BRELIX_BUILD_DIR:-build-win}"
auto=0
[ "${1:-}" = "--auto" ] && auto=1

bash tools/setup.sh

echo "== building Brelix.exe"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target Brelix brelix-driver
exe="$(cd "$build" && pwd)/app/Brelix.exe"
driver="$(cd "$build" && pwd)/tests/e2e/brelix-driver.exe"

demo="$root/out/demo"
medium="$demo/medium"
shots="$demo/shots"
export BRELIX_WINEPREFIX="$demo/wineprefix"
source tools/wine-env.sh
echo "== Wine prefix $WINEPREFIX"
tools/wine-prefix.sh

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# ---- The demo medium ---------------------------------------------------------
echo "== demo medium $medium"
rm -rf "$medium" "$shots"
mkdir -p "$medium" "$shots"
cp demo/medium/info.txt "$medium/info.txt"
cp "$exe" "$medium/Brelix.exe"
c++ -std=c++17 -O2 -o "$demo/make_bmp" tools/make_bmp.cpp
"$demo/make_bmp" "$medium"

src="$demo/src"
rm -rf "$src"
mkdir -p "$src"/{prog,start,master/1,excel}
crlf() { printf '%s\r\n' "$@"; }
to932() { iconv -f UTF-8 -t CP932; }
crlf "見積原価システム 本体 9.1S" | to932 >"$src/prog/MITSUMO.TXT"
crlf "[PROGRAM]" "BUILD=910" >"$src/prog/PROGRAM.INI"
crlf "見積原価システム 9.1S 起動設定" | to932 >"$src/start/START.TXT"
crlf "4004000001070000ﾃﾞﾓ材料A" "4004000001080000ﾃﾞﾓ材料B" | to932 >"$src/master/1/pok101-3.mst"
printf 'demo template\r\n' >"$src/excel/横K-R7q.xlsm"
lzh() { local out="$1" dir="$2"; shift 2; (cd "$dir" && jlha co5y2q "$out" "$@" >/dev/null); }
lzh "$medium/PROG.lzh" "$src/prog" MITSUMO.TXT PROGRAM.INI
# The installed 8.0S is the second title pattern: the run asks for START2.
lzh "$medium/START2.lzh" "$src/start" START.TXT
lzh "$medium/MASTER.lzh" "$src/master" 1/pok101-3.mst
lzh "$medium/EXCEL.lzh" "$src/excel" 横K-R7q.xlsm
crlf "見積原価システム 9.1S をお使いいただきありがとうございます。" | to932 >"$medium/readme.txt"
crlf "[SETUP]" "VERSION=9.1S" >"$medium/Setup.ini"
rm -rf "$src"

# ---- The demo installation, C:\ESTIMATE ---------------------------------------
install="$WINEPREFIX/drive_c/ESTIMATE"
echo "== demo installation $install"
rm -rf "$install"
mkdir -p "$install/bmp" "$install/master/1" "$install/master/21" "$install/形式"
crlf "[SYSTEM]" "TITLE=見積原価システム 8.0S" "Version=8.0S" "[DIR]" 'MASTER=C:\ESTIMATE\master\' | to932 >"$install/morefa1.ini"
crlf "[MENU]" "1=見積" | to932 >"$install/mo2menu.ini"
printf 'MZ' >"$install/tessolin.exe"
cp "$medium/notes.bmp" "$install/bmp/VOSKE2L.BMP"
cp "$medium/target.bmp" "$install/bmp/file.BMP"
crlf "4004000001070000ﾃﾞﾓ材料A" | to932 >"$install/master/1/pok001-3.mst"
crlf "4004000001070000ﾃﾞﾓ材料C" | to932 >"$install/master/21/pok001-3.mst"

# Drive D: (a CD-ROM in this prefix) holds the medium.
ln -sfn "$medium" "$WINEPREFIX/dosdevices/d:"

# ---- Display and Wine server --------------------------------------------------
if [ -z "${DISPLAY:-}" ]; then
  auto=1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$demo/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 500); do [ -s "$demo/display" ] && break; sleep 0.01; done
  export DISPLAY=":$(head -n1 "$demo/display")"
  echo "== virtual display $DISPLAY"
fi
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

# The installed product, as its installer would have registered it.
key="$(iconv -f CP932 -t UTF-8 demo/medium/info.txt | head -n1 | tr -d '\r')"
wine reg add "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$key" /v UninstallString \
  /t REG_SZ /d 'C:\ESTIMATE\UNINST.EXE -fC:\ESTIMATE\REMOVE.LOG' /reg:32 /f >/dev/null 2>&1

# ---- The wizard ----------------------------------------------------------------
winpath() { local p="$1"; p="${p//\//\\}"; printf 'Z:%s' "$p"; }
S="$(winpath "$shots")"
script="$demo/walkthrough.txt"
if [ "$auto" = 1 ]; then
  cat >"$script" <<EOF
launch D:\\Brelix.exe D:\\
dialog マスタ調整機能付
shot $S\\1-notes.bmp
click 1
gone
dialog アップデート
shot $S\\2-target.bmp
click 1
gone
dialog アップデート
shot $S\\3-confirm.bmp
click 1
gone
okuntil 確認 システムは正常に更新されました。 $S\\4-message
shot $S\\5-finished.bmp
click 1
exit 0
EOF
  echo "== walking through the wizard"
else
  cat >"$script" <<EOF
timeout 900000
launch D:\\Brelix.exe D:\\
dialog マスタ調整機能付
shot $S\\1-notes.bmp
dialog アップデート
shot $S\\2-target.bmp
dialog アップデート
shot $S\\3-confirm.bmp
dialog 確認
shot $S\\4-message.bmp
exit 0
EOF
  echo "== Brelix is running on $DISPLAY: click through the wizard (開始, 次へ, 更新)"
fi
status=0
wine "$driver" "$(winpath "$script")" | tr -d '\r' >"$demo/walkthrough.log" || status=$?
if [ "$status" != 0 ]; then
  grep FAIL "$demo/walkthrough.log" >&2 || true
  [ "$auto" = 1 ] || echo "(the wizard left the usual path; screenshots so far are kept)" >&2
fi
for shot in "$shots"/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
echo "== screenshots in $shots:"
ls "$shots"
echo "== installation after the update (C:\\ESTIMATE):"
(cd "$install" && find . -type f | sort)
if [ "$auto" = 1 ]; then exit "$status"; fi
