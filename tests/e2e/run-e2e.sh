#!/usr/bin/env bash
# One end-to-end scenario: lays out a medium and an installation folder, runs
# the real Brelix.exe under Wine on a virtual display, drives it with
# brelix-driver and checks the installation folder afterwards.
#
#   run-e2e.sh SCENARIO BRELIX_EXE DRIVER_EXE OUT_DIR [PLANTED_DLL]
#
# PLANTED_DLL (for planted_dll) is a DLL that leaves a marker when loaded.
# Screenshots of every dialog stay in OUT_DIR/SCENARIO/shots. A display is
# started when DISPLAY is unset. Every process started here is ended on exit.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
scenario="$1"
exe="$2"
driver="$3"
mkdir -p "$4"
out="$(cd "$4" && pwd)"
exe="$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")"
driver="$(cd "$(dirname "$driver")" && pwd)/$(basename "$driver")"
planted="${5:-}"

source "$root/tools/wine-env.sh"
# The Wine follows the program under test: wine64 for the 64-bit build.
BRELIX_WINE_ARCH="$(brelix_pe_arch "$exe")"
[ -n "$BRELIX_WINE_ARCH" ] || { echo "e2e: $exe is not a Windows program" >&2; exit 1; }
export BRELIX_WINE_ARCH
export BRELIX_WINEPREFIX="${BRELIX_E2E_PREFIX:-$out/wineprefix-$BRELIX_WINE_ARCH}"
source "$root/tools/wine-env.sh"
"$root/tools/wine-prefix.sh"

work="$out/$scenario"
rm -rf "$work"
mkdir -p "$work/shots"

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 3000); do
    [ -s "$work/display" ] && break
    sleep 0.01
  done
  [ -s "$work/display" ] || { echo "e2e: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
fi

# One warm server for the scenario; Wine's own processes get no pipes of ours.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1

# The picture generator, built for this machine.
make_bmp="$out/make_bmp"
if [ ! -x "$make_bmp" ] || [ "$root/tools/make_bmp.cpp" -nt "$make_bmp" ]; then
  c++ -std=c++17 -O2 -o "$make_bmp.new" "$root/tools/make_bmp.cpp"
  mv "$make_bmp.new" "$make_bmp"
fi

# Windows path of a Linux path (Z: is the root of the Linux file system).
winpath() { local p="$1"; p="${p//\//\\}"; printf 'Z:%s' "$p"; }

# ---- The medium and the installation ---------------------------------------

install="$work/install"
medium="$work/medium"
other="$work/empty"
INSTALL_W="$(winpath "$install")\\"
MEDIUM_W="$(winpath "$medium")"
OTHER_W="$(winpath "$other")\\"
EXE_W="$(winpath "$medium")\\Brelix.exe"
SHOTS_W="$(winpath "$work/shots")"

# make_medium MASTER_ADJUST [SETTINGS_FILE]: Brelix.exe, pictures, archive,
# single file, info.txt.
make_medium() {
  mkdir -p "$medium/src/master"
  cp "$exe" "$medium/Brelix.exe"
  "$make_bmp" "$medium"
  printf 'SIZE,100\r\nTYPE,200\r\n' >"$medium/src/master/SIZE.DAT"
  (cd "$medium/src/master" && jlha co5y2q "$medium/DATA1.lzh" SIZE.DAT >/dev/null)
  printf 'Brelix e2e\r\n' >"$medium/readme.txt"
  rm -rf "$medium/src"
  {
    printf '%s\r\n' BrelixE2E
    for _ in $(seq 14); do printf '\r\n'; done
    printf '%s\r\n' "$INSTALL_W" "" "$1" "${2:-NULL}" 1 9.1S back.bmp notes.bmp target.bmp confirm.bmp \
      $'今回の更新内容：\tx資材マスタを更新します。' "更新先のフォルダを確認して下さい。" "見積"
    for _ in $(seq 14); do printf '\r\n'; done
    printf '%s\r\n' '1,1,data1,master\' '1,2,readme.txt,doc\'
  } | iconv -f UTF-8 -t CP932 >"$medium/info.txt"
}

# An installation the update accepts: settings file, menu, tool, two bitmaps.
make_install() {
  mkdir -p "$install/bmp" "$other"
  printf '[SYSTEM]\r\nTITLE=見積 8.0S\r\nMAKER=1\r\n' | iconv -f UTF-8 -t CP932 >"$install/morefa1.ini"
  printf '[MENU]\r\n' >"$install/mo2menu.ini"
  printf 'MZ' >"$install/tessolin.exe"
  cp "$medium/notes.bmp" "$install/bmp/VOSKE2L.BMP"
  cp "$medium/notes.bmp" "$install/bmp/file.BMP"
}

snapshot() { (cd "$install" && find . -type f -exec md5sum {} + | sort); }

fail() { echo "e2e $scenario: $*" >&2; exit 1; }

# ini_value FILE SECTION KEY: the value as UTF-8, empty when absent.
ini_value() {
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -v s="[$2]" -v k="$3" '
    /^\[/ { insec = (tolower($0) == tolower(s)); next }
    insec && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }'
}

expect_unchanged() {
  [ "$(snapshot)" = "$before" ] || fail "the installation folder was changed"
}

expect_updated() {
  [ -f "$install/master/SIZE.DAT" ] || fail "master/SIZE.DAT was not extracted"
  cmp -s "$install/doc/README.TXT" "$medium/readme.txt" || fail "doc/README.TXT was not copied"
  local ini="$install/morefa1.ini"
  [ "$(ini_value "$ini" SYSTEM GENGOU)" = "令和" ] || fail "GENGOU not written"
  [ "$(ini_value "$ini" SYSTEM TITLE)" = "見積 9.1S" ] || fail "TITLE not updated"
  [ "$(ini_value "$ini" SYSTEM 種別電気)" = "1" ] || fail "category switch not written"
  [ "$(ini_value "$install/tov3.ini" HISTORY 抽出開始日ON)" = "1" ] || fail "history entry not written"
  [ "$(ini_value "$install/tov3.ini" HISTORY 抽出終了日ON)" = "1" ] || fail "history entry not written"
}

# dq TEXT: TEXT as one quoted argument of a driver script.
dq() { local t="${1//\\/\\\\}"; t="${t//\"/\\\"}"; printf '"%s"' "$t"; }

# expect_log FILE TEXT...: the log is UTF-8 with a byte order mark and holds
# a line containing each TEXT.
expect_log() {
  local log="$1"
  shift
  [ -f "$log" ] || fail "no log $log"
  [ "$(head -c3 "$log" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || fail "the log does not start with a BOM"
  for t in "$@"; do
    grep -qF -- "$t" "$log" || { cat "$log" >&2; fail "the log has no line with: $t"; }
  done
}

# reinstall: the installation as make_install lays it out, nothing updated.
reinstall() {
  rm -rf "$install"
  make_install
}

# drive SCRIPT_NAME: runs the driver on $work/SCRIPT_NAME.txt (from stdin).
drive() {
  local script="$work/$1.txt"
  cat >"$script"
  if ! wine "$driver" "$(winpath "$script")" >"$work/$1.log" 2>&1; then
    tr -d '\r' <"$work/$1.log" >&2
    fail "driver script $1 failed"
  fi
}

# ---- Scenarios -------------------------------------------------------------

make_medium 2
make_install
before="$(snapshot)"

case "$scenario" in
happy_path)
  drive happy <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
main BrelixE2E
mainstyle
text 1006 "今回の更新内容：\r\n資材マスタを更新します。"
pixel view 0.5 0.003 FAFAFA
pixel view 0.1 0.3 2054AA 6
pixel 1007 0.5 0.5 FAFAFF
shot $SHOTS_W\\01-notes.bmp
click 1
gone
dialog アップデート
text 1005 $INSTALL_W
text 1006 更新先のフォルダを確認して下さい。
pixel 1007 0.05 0.05 000080
pixel 1007 0.95 0.95 000080
shot $SHOTS_W\\02-target.bmp
click 1
gone
dialog アップデート
text 1006 $INSTALL_W
pixel 1007 0.05 0.05 FFFFFF
shot $SHOTS_W\\03-confirm.bmp
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
shot $SHOTS_W\\04-done.bmp
click 1
exit 0
EOF
  expect_updated
  ;;
cdrom_root)
  # The medium is the root of drive D: (a CD-ROM): the source directory is
  # then just "D:", and every file of the medium is found through it.
  ln -sfn "$medium" "$WINEPREFIX/dosdevices/d:"
  drive cdrom <<EOF
launch D:\\Brelix.exe D:\\
dialog マスタ調整機能付
main BrelixE2E
pixel view 0.1 0.3 2054AA 6
pixel 1007 0.5 0.5 FAFAFF
click 1
gone
dialog アップデート
pixel 1007 0.05 0.05 000080
click 1
gone
dialog アップデート
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
shot $SHOTS_W\\cdrom-done.bmp
click 1
exit 0
EOF
  ln -sfn ../cdrom "$WINEPREFIX/dosdevices/d:"
  expect_updated
  ;;
cancel_notes)
  drive cancel <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 2
exit 2
EOF
  expect_unchanged
  ;;
notes_caption)
  # Line 18 decides the caption: 0, empty or no number gives the plain one.
  while IFS='|' read -r value caption; do
    rm -f "$medium/info.txt"
    make_medium "$value"
    drive "caption-${value// /_}" <<EOF
launch $EXE_W $MEDIUM_W
dialog $caption
shot $SHOTS_W\\notes-${value// /_}.bmp
key escape
exit 2
EOF
  done <<'EOF'
|アップデート
0|アップデート
1|マスタ調整機能付
2|マスタ調整機能付
-3|マスタ調整機能付
 7x|マスタ調整機能付
abc|アップデート
EOF
  expect_unchanged
  ;;
no_descriptor)
  rm "$medium/info.txt"
  drive no-info <<EOF
launch $EXE_W $MEDIUM_W
dialog アップデート
main ""
mainstyle
text 1006 ""
pixel view 0.1 0.5 FFFFFF
shot $SHOTS_W\\notes-without-info.bmp
click 2
exit 2
EOF
  expect_unchanged
  ;;
target_back)
  # "戻る" drops what was typed: the proposal comes back from the session.
  drive target-back <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
settext 1005 Z:\\typed\\
click 1008
gone
dialog マスタ調整機能付
click 1
gone
dialog アップデート
text 1005 $INSTALL_W
key escape
exit 2
EOF
  expect_unchanged
  ;;
confirm_back)
  # "戻る" and Escape in the confirmation both return to the target dialog,
  # which proposes the folder just confirmed.
  drive confirm-back <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
settext 1005 $OTHER_W
click 1
gone
dialog アップデート
text 1006 $OTHER_W
click 2
gone
dialog アップデート
text 1005 $OTHER_W
shot $SHOTS_W\\target-after-back.bmp
settext 1005 ""
click 1
gone
dialog アップデート
text 1006 ""
key escape
gone
dialog アップデート
text 1005 ""
key escape
exit 2
EOF
  expect_unchanged
  ;;
run_refused)
  # A folder without the product: the run refuses it, the target dialog comes
  # back with it, and a second confirmation on the right folder updates. The
  # settings file is named: after a refusal a "NULL" line leaves the run
  # probing only for the name it tried last.
  make_medium 2 morefa1.ini
  drive refused <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
settext 1005 $OTHER_W
click 1
gone
dialog アップデート
click 1
gone
dialog エラー
text 0xFFFF ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。
shot $SHOTS_W\\refused.bmp
click 1
gone
dialog アップデート
text 1005 $OTHER_W
settext 1005 $INSTALL_W
click 1
gone
dialog アップデート
text 1006 $INSTALL_W
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
click 1
exit 0
EOF
  expect_updated
  ;;
target_lookup)
  # The proposal comes from the first Uninstall key that opens, else line 16.
  uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
  reg_set() { wine reg add "$uninstall\\$1" /v UninstallString /t REG_SZ /d "$2" /reg:32 /f >/dev/null 2>&1; }
  reg_key() { wine reg add "$uninstall\\$1" /reg:32 /f >/dev/null 2>&1; }
  reg_clean() {
    for k in E2E-A E2E-B E2E-C E2E-F E2E-R E2E-Q E2E-E E2E-N; do
      wine reg delete "$uninstall\\$k" /reg:32 /f >/dev/null 2>&1 || true
    done
  }
  trap 'reg_clean; cleanup' EXIT
  reg_clean
  reg_set E2E-C 'X:\TOOLS\UNINST.EXE -fC:\APPS\EST\REMOVE.LOG -cC:\APPS\EST\X.DLL'
  reg_set E2E-F 'X:\TOOLS\UNINST.EXE -FC:\APPS\UPPER\REMOVE.LOG'
  reg_set E2E-R 'X:\TOOLS\UNINST.EXE -fD:\REMOVE.LOG'
  reg_set E2E-Q 'X:\TOOLS\UNINST.EXE -f"C:\Program Files\EST\REMOVE.LOG"'
  reg_key E2E-E  # opens, but has no UninstallString: the search ends there
  # keys (lines 1 to 3, comma separated) | expected text of the folder field
  while IFS='|' read -r keys expected; do
    IFS=',' read -r k1 k2 k3 <<<"$keys"
    quoted="${expected//\\/\\\\}"
    quoted="\"${quoted//\"/\\\"}\""
    LC_ALL=C sed -i "1s/.*/$k1\r/;2s/.*/$k2\r/;3s/.*/$k3\r/" "$medium/info.txt"
    drive "lookup-${keys//,/_}" <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
text 1005 $quoted
key escape
exit 2
EOF
  done <<EOF
E2E-N,,|$INSTALL_W
E2E-A,E2E-B,E2E-C|C:\\APPS\\EST
E2E-A,,E2E-C|$INSTALL_W
E2E-E,E2E-C,|$INSTALL_W
E2E-F,,|$INSTALL_W
E2E-R,,|D:
E2E-Q,,|"C:\\Program Files\\EST
EOF
  # After "戻る" the proposal is found again; what was typed is gone.
  LC_ALL=C sed -i "1s/.*/E2E-C\r/;2s/.*/\r/;3s/.*/\r/" "$medium/info.txt"
  drive lookup-back <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
text 1005 C:\\APPS\\EST
settext 1005 Z:\\typed
click 1008
gone
dialog マスタ調整機能付
click 1
gone
dialog アップデート
text 1005 C:\\APPS\\EST
key escape
exit 2
EOF
  expect_unchanged
  ;;
target_browse)
  # Browsing drives and folders, then updating the folder picked by browsing.
  # The field shows the current directory as the system reports it (Wine
  # keeps the drive letter as it was made current: c:\BRELIXE2E).
  picked="$WINEPREFIX/drive_c/BRELIXE2E"
  rm -rf "$picked"
  cp -r "$install" "$picked"
  mkdir -p "$picked/表示" "$picked/.hidden"
  drive browse <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
listcount 1003 0
select 1002 [-c-]
text 1005 c:\\
listhas 1003 [..]
listhas 1003 [BRELIXE2E]
select 1003 [..]
text 1005 c:\\
listhas 1003 [BRELIXE2E]
select 1003 [BRELIXE2E]
text 1005 c:\\BRELIXE2E
listhas 1003 [表示]
listhas 1003 [bmp]
listhas 1003 [.hidden]
shot $SHOTS_W\\browse-folder.bmp
dblclick 1003 [表示]
text 1005 c:\\BRELIXE2E\\表示
listcount 1003 1
select 1003 [..]
text 1005 c:\\BRELIXE2E
click 1
gone
dialog アップデート
text 1006 c:\\BRELIXE2E
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
click 1
exit 0
EOF
  install="$picked" expect_updated
  # Text typed into the field and Enter: accepted exactly as typed.
  drive typed <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
select 1002 [-c-]
settext 1005 "C:\\\\typed folder\\\\"
key enter
gone
dialog アップデート
text 1006 "C:\\\\typed folder\\\\"
key escape
gone
dialog アップデート
key escape
exit 2
EOF
  rm -rf "$picked"
  ;;
many_folders)
  # A folder with thousands of subfolders lists completely.
  count="${BRELIX_E2E_FOLDERS:-2000}"
  many="$WINEPREFIX/drive_c/MANY"
  rm -rf "$many"
  mkdir -p "$many"
  (cd "$many" && seq -f 'sub%05g' 1 "$count" | xargs mkdir)
  drive many <<EOF
timeout 60000
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
select 1002 [-c-]
select 1003 [MANY]
text 1005 c:\\MANY
listcount 1003 $((count + 1))
listhas 1003 [sub00001]
listhas 1003 [sub$(printf %05d "$count")]
key escape
exit 2
EOF
  tr -d '\r' <"$work/many.log" | grep 'select 1003'
  rm -rf "$many"
  ;;
escape_target)
  drive escape-target <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
click 1
gone
dialog アップデート
key escape
exit 2
EOF
  expect_unchanged
  ;;
planted_dll)
  # The system loads some DLLs by bare name (themes, for one); Windows looks
  # for those that are no "known DLLs" beside the program first. Wine takes
  # its own copy unless a name is made native-first, so that is done here to
  # get Windows' search order. Planted: what the program loads after start-up
  # (uxtheme, msimg32), other DLLs that are no known DLLs, and the runtime
  # DLLs of the compiler, which the static program must never look for.
  # Not version.dll: Wine's own user32 loads it before any code of the
  # program runs, which Windows' user32 does not.
  [ -f "$planted" ] || fail "no DLL to plant"
  names="uxtheme msimg32 dwmapi cryptbase winmm comdlg32 shlwapi libgcc_s_dw2-1 libgcc_s_seh-1 libstdc++-6 libwinpthread-1"
  for name in $names; do
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v "$name" /d native,builtin /f >/dev/null 2>&1
    cp "$planted" "$medium/$name.dll"
  done
  restore_overrides() {
    for name in $names; do
      wine reg delete 'HKCU\Software\Wine\DllOverrides' /v "$name" /f >/dev/null 2>&1 || true
    done
  }
  # Control: a program without the protection, started beside the DLLs, does
  # take them; otherwise this test would prove nothing.
  cp "$driver" "$medium/probe.exe"
  printf 'loadlib msimg32.dll\r\n' >"$work/probe.txt"
  wine "$medium/probe.exe" "$(winpath "$work/probe.txt")" >"$work/probe.log" 2>&1 || true
  rm -f "$medium/probe.exe"
  [ -e "$medium/msimg32.dll.loaded" ] || { restore_overrides; fail "a planted DLL is not taken even without protection"; }
  rm -f "$medium"/*.loaded
  drive planted <<EOF
launch $EXE_W $MEDIUM_W
dialog マスタ調整機能付
shot $SHOTS_W\\planted.bmp
key escape
EOF
  restore_overrides
  loaded="$(cd "$medium" && ls -- *.loaded 2>/dev/null || true)"
  [ -z "$loaded" ] || fail "Brelix.exe loaded a DLL planted beside it: ${loaded//.loaded/}"
  expect_unchanged
  ;;
silent_applied)
  # The command a logon script runs: nothing shown, files and settings
  # written, every step in the log, exit code 0.
  log="$work/brelix-silent.log"
  drive silent <<EOF
launchcmd $(dq "\"$EXE_W\" /VERYSILENT /DIR=\"$INSTALL_W\" /LOG=\"$(winpath "$log")\"")
watch
unseen |
exit 0
EOF
  expect_updated
  expect_log "$log" "Brelix 3.0" "/VERYSILENT /DIR=" "更新ディスク: $MEDIUM_W\\（BrelixE2E）" \
    "インストール先の選択: /DIR" "インストール先: $INSTALL_W" "設定ファイル: ${INSTALL_W}morefa1.ini" \
    "製品の判別: バージョン番号 " "レコード 1: ディスク 1 書庫 DATA1 → ${INSTALL_W}master" \
    "展開しました: 1 個のファイル" "コピーしました: ${INSTALL_W}doc\\README.TXT（12 バイト）" \
    "設定 [SYSTEM] GENGOU=令和" "メッセージ [確認] システムは正常に更新されました。" "終了: 更新しました（終了コード 0）"
  ;;
silent_refused)
  # Unattended runs that are refused change nothing and say why.
  # name | switches | exit code | log line
  while IFS='|' read -r name switches code line; do
    log="$work/brelix-$name.log"
    drive "refused-$name" <<EOF
launchcmd $(dq "\"$EXE_W\" $switches /LOG=\"$(winpath "$log")\"")
watch
unseen #32770
exit $code
EOF
    expect_unchanged
    expect_log "$log" "$line" "（終了コード $code）"
  done <<EOF
wrong-folder|/VERYSILENT /DIR="$OTHER_W"|3|ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。
wrong-folder-silent|/SILENT /DIR="$OTHER_W"|3|設定ファイルがありません: $OTHER_W
EOF
  # Neither /DIR, nor a registered folder, nor line 16: nothing to update.
  # A bare /LOG writes Brelix-yyyymmdd-hhmmss.log into %TEMP%.
  LC_ALL=C sed -i "16s/.*/\r/" "$medium/info.txt"
  touch "$work/marker"
  drive refused-no-folder <<EOF
launchcmd $(dq "\"$EXE_W\" /verysilent -log")
watch
exit 3
EOF
  expect_unchanged
  log="$(find "$WINEPREFIX/drive_c/users" -name 'Brelix-????????-??????.log' -newer "$work/marker" | head -n1)"
  [ -n "$log" ] || fail "no log in %TEMP%"
  expect_log "$log" "インストール先が決まりません"
  rm -f "$log"
  ;;
packed_demo)
  # The demo medium as an author makes it: brelix-cli.exe packs demo/source
  # (with this Brelix.exe) into a CD folder, and the wizard updates the demo
  # installation from it.
  cli_exe="$(dirname "$exe")/../cli/brelix-cli.exe"
  [ -f "$cli_exe" ] || fail "no brelix-cli.exe beside the build of $exe"
  # brelix-cli.exe under Wine, with Linux paths given as Z: paths.
  {
    echo '#!/usr/bin/env bash'
    echo 'args=()'
    echo 'for a in "$@"; do case "$a" in /*) a="Z:${a//\//\\}" ;; esac; args+=("$a"); done'
    printf 'exec wine %q "${args[@]}"\n' "$cli_exe"
  } >"$work/brelix-cli"
  chmod +x "$work/brelix-cli"
  packed="$work/packed"
  demo="$work/demo-install"
  bash "$root/tools/make_demo_medium.sh" "$packed" "$demo" "$work/brelix-cli" --media cd --exe "$exe" \
    || fail "brelix-cli.exe pack failed"
  [ -f "$packed/Brelix.exe" ] && [ -f "$packed/START2.lzh" ] || fail "the packed medium is incomplete"
  demo_w="$(winpath "$demo")"
  drive packed <<EOF
launchcmd $(dq "\"$(winpath "$packed")\\Brelix.exe\" /DIR=\"$demo_w\"")
dialog マスタ調整機能付
text 1006 "見積原価システムを 9.1S に更新します。\r\n更新の前に見積原価システムを終了してください。\r\n材料マスタの調整も行います。"
click 1
gone
dialog アップデート
text 1005 $demo_w
click 1
gone
dialog アップデート
click 1
gone
okuntil 確認 システムは正常に更新されました。 $SHOTS_W\\packed-done
click 1
exit 0
EOF
  for f in prog/MITSUMO.TXT prog/START.TXT doc/README.TXT doc/SETUP.INI master/1/pok101-3.mst; do
    [ -f "$demo/$f" ] || fail "$f was not installed"
  done
  grep -q 'demo template 9.1S' "$demo/形式/横K-R7q.xlsm" || fail "the template was not replaced"
  [ "$(ini_value "$demo/morefa1.ini" SYSTEM TITLE)" = "見積原価システム 9.1S" ] || fail "TITLE not updated"
  [ "$(ini_value "$demo/morefa1.ini" SYSTEM 種別水道)" = "1" ] || fail "category switch not written"
  ;;
silent_floppy)
  # The medium is a floppy and its last record is on disk 2: nobody can
  # swap disks, so the run stops there as if Cancel had been pressed.
  printf '%s\r\n' '2,2,disk2.txt,doc\' >>"$medium/info.txt"
  ln -sfn "$medium" "$WINEPREFIX/dosdevices/a:"
  log="$work/brelix-floppy.log"
  drive floppy <<EOF
launchcmd $(dq "A:\\Brelix.exe /VERYSILENT /DIR=\"$INSTALL_W\" /LOG=\"$(winpath "$log")\"") C:\\
watch
unseen |
exit 5
EOF
  ln -sfn ../floppy "$WINEPREFIX/dosdevices/a:"
  [ -f "$install/master/SIZE.DAT" ] || fail "the records of disk 1 were not installed"
  [ -z "$(ini_value "$install/morefa1.ini" SYSTEM GENGOU)" ] || fail "settings written after a cancel"
  expect_log "$log" "ディスク 2 が必要です（A:DISK2.TXT）" "質問 [確認] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。" \
    "無人実行のため「キャンセル」とみなします" "（終了コード 5）"
  ;;
silent_progress)
  # /SILENT: the main window and a progress window, never a dialog.
  log="$work/brelix-progress.log"
  drive progress <<EOF
launchcmd $(dq "\"$EXE_W\" /SILENT /DIR=\"$INSTALL_W\" /LOG=\"$(winpath "$log")\"")
watch
seen BrelixFrame|
seen BrelixStatus|アップデート|
unseen #32770
exit 0
EOF
  expect_updated
  expect_log "$log" "メッセージ [確認] システムは正常に更新されました。" "（終了コード 0）"
  ;;
wizard_log)
  # /LOG with the wizard: the person's choices are in the log too. /DIR
  # takes the place of the proposal (line 16 names another folder).
  log="$work/brelix-wizard.log"
  chosen="$work/chosen"
  cp -r "$install" "$chosen"
  chosen_w="$(winpath "$chosen")"
  drive wizard-log <<EOF
launchcmd $(dq "\"$EXE_W\" /LOG=\"$(winpath "$log")\" /DIR=\"$chosen_w\"")
dialog マスタ調整機能付
click 1
gone
dialog アップデート
text 1005 $chosen_w
click 1
gone
dialog アップデート
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
click 1
exit 0
EOF
  install="$chosen" expect_updated
  expect_unchanged
  expect_log "$log" "お知らせ: 開始" "インストール先の選択: $chosen_w（/DIR）" "確認: 更新" \
    "メッセージ [確認] システムは正常に更新されました。" "（終了コード 0）"
  # A log that cannot be made is said once; the wizard goes on, and Escape
  # in the notes ends it with nothing changed.
  reinstall
  before="$(snapshot)"
  nolog="${OTHER_W}missing\\x.log"
  drive wizard-nolog <<EOF
launchcmd $(dq "\"$EXE_W\" /LOG=\"$nolog\"")
dialog Brelix
text 0xFFFF $(dq "ログファイル $nolog を作成できません。ログを残さずに続けます。")
click 1
gone
dialog マスタ調整機能付
key escape
exit 2
EOF
  expect_unchanged
  ;;
bad_switch)
  # An unknown switch is named in a box (none when unattended), exit code 1;
  # /? lists the switches.
  drive switch-unknown <<EOF
launchcmd $(dq "\"$EXE_W\" /Quiet")
dialog Brelix
shot $SHOTS_W\\switch-unknown.bmp
textstarts 0xFFFF "コマンドラインの /Quiet は使用できません（不明なスイッチです）。\r\n\r\nBrelix.exe [/SILENT | /VERYSILENT]"
click 1
exit 1
EOF
  drive switch-unknown-silent <<EOF
launchcmd $(dq "\"$EXE_W\" /SILENT /DIR=x /QUIET")
watch
unseen |
exit 1
EOF
  drive switch-help <<EOF
launchcmd $(dq "\"$EXE_W\" /?")
dialog Brelix
textstarts 0xFFFF "Brelix.exe [/SILENT | /VERYSILENT] [/DIR=\"フォルダ\"] [/LOG | /LOG=\"ファイル\"]"
shot $SHOTS_W\\switch-help.bmp
click 1
exit 0
EOF
  expect_unchanged
  ;;
unc_medium)
  # The medium on a share, \\srv\share\update, interactive and silent. Wine
  # serves the share from the prefix; it will not start a program in a UNC
  # working folder, so the working folder is C:\.
  share="$WINEPREFIX/dosdevices/unc/srv/share"
  rm -rf "$share/update"
  mkdir -p "$share"
  cp -r "$medium" "$share/update"
  unc_exe='\\srv\share\update\Brelix.exe'
  drive unc <<EOF
launch $unc_exe C:\\
dialog マスタ調整機能付
main BrelixE2E
pixel view 0.1 0.3 2054AA 6
pixel 1007 0.5 0.5 FAFAFF
click 1
gone
dialog アップデート
pixel 1007 0.05 0.05 000080
click 1
gone
dialog アップデート
click 1
gone
dialog 確認
text 0xFFFF システムは正常に更新されました。
shot $SHOTS_W\\unc-done.bmp
click 1
exit 0
EOF
  expect_updated
  reinstall
  log="$work/brelix-unc.log"
  drive unc-silent <<EOF
launchcmd $(dq "$unc_exe /VERYSILENT /DIR=\"$INSTALL_W\" /LOG=\"$(winpath "$log")\"") C:\\
watch
exit 0
EOF
  rm -rf "$share/update"
  expect_updated
  expect_log "$log" 'コマンドライン: \\srv\share\update\Brelix.exe /VERYSILENT' '更新ディスク: \\srv\share\update\（BrelixE2E）'
  ;;
*)
  fail "unknown scenario"
  ;;
esac

# Screenshots as PNG for people to look at.
if command -v convert >/dev/null; then
  for shot in "$work"/shots/*.bmp; do
    [ -e "$shot" ] || continue
    convert "$shot" "${shot%.bmp}.png" && rm "$shot"
  done
fi
echo "e2e $scenario: passed"
