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
# Screenshots of every step go to out/demo/shots. The medium and the demo
# installation come from tools/make_demo_medium.sh; the installation is
# C:\ESTIMATE in the demo prefix (out/demo/wineprefix-win32/drive_c/ESTIMATE,
# or wineprefix-win64 on a machine that cannot execute 32-bit programs); run
# the demo again to start from a fresh installation.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${BRELIX_JOBS:-2}"
auto=0
[ "${1:-}" = "--auto" ] && auto=1

bash tools/setup.sh

# The shipped 32-bit program where this machine can execute 32-bit programs;
# elsewhere the 64-bit build of the same sources under wine64.
# BRELIX_WIN_ARCH=x86|x64 forces the choice.
source tools/wine-env.sh
arch="${BRELIX_WIN_ARCH:-}"
if [ -z "$arch" ]; then
  if brelix_can_run_32bit; then arch=x86; else arch=x64; fi
fi
case "$arch" in
  x86) build="${BRELIX_BUILD_DIR:-build-win}"; toolchain=mingw-i686; export BRELIX_WINE_ARCH=win32
       echo "== the demo runs the shipped 32-bit Brelix.exe under wine" ;;
  x64) build="${BRELIX_BUILD_DIR:-build-win64}"; toolchain=mingw-x86_64; export BRELIX_WINE_ARCH=win64
       echo "== the demo runs the 64-bit build of Brelix.exe under wine64 (the 32-bit program cannot run on this machine)" ;;
  *) echo "demo: BRELIX_WIN_ARCH must be x86 or x64" >&2; exit 64 ;;
esac

echo "== building Brelix.exe"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$build" -j"$jobs" --target Brelix brelix-driver
exe="$(cd "$build" && pwd)/app/Brelix.exe"
echo "== building brelix-cli, which packs the demo medium"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs" --target brelix-cli
driver="$(cd "$build" && pwd)/tests/e2e/brelix-driver.exe"

demo="$root/out/demo"
medium="$demo/medium"
shots="$demo/shots"
export BRELIX_WINEPREFIX="$demo/wineprefix-$BRELIX_WINE_ARCH"
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

# ---- The demo medium and the demo installation, C:\ESTIMATE -----------------
install="$WINEPREFIX/drive_c/ESTIMATE"
echo "== demo medium $medium, demo installation $install"
rm -rf "$shots"
mkdir -p "$shots"
tools/make_demo_medium.sh "$medium" "$install" build/cli/brelix-cli --media cd --exe "$exe"

# Drive D: (a CD-ROM in this prefix) holds the medium.
ln -sfn "$medium" "$WINEPREFIX/dosdevices/d:"

# ---- Display and Wine server --------------------------------------------------
if [ -z "${DISPLAY:-}" ]; then
  auto=1
  rm -f "$demo/display"  # a stale one would be read before Xvfb truncates it
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$demo/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 3000); do [ -s "$demo/display" ] && break; sleep 0.01; done
  [ -s "$demo/display" ] || { echo "demo: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$demo/display")"
  echo "== virtual display $DISPLAY"
fi
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

# The installed product, as its installer would have registered it.
key="$(iconv -f CP932 -t UTF-8 "$medium/info.txt" | head -n1 | tr -d '\r')"
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
