#!/usr/bin/env bash
# brelix-cli pack on the demo source: floppy, CD and folder media check clean,
# their images hold exactly the files of the media, and the floppy set (two
# disks: a program of 520,000 bytes leaves no room on disk 1 after the
# pictures) updates the demo installation through the disk prompt.
set -euo pipefail
cli="$1"
root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# mtools and xorriso name files in the locale's text.
export LC_ALL=C.UTF-8

head -c 520000 /dev/zero >"$work/Brelix.exe"
have() { command -v "$1" >/dev/null; }

check_clean() {
  set +e
  "$cli" check "$1" --lang en >"$work/check.txt" 2>&1
  local status=$?
  set -e
  [ "$status" = 0 ] || { cat "$work/check.txt"; fail "check of $1: exit $status"; }
}

# ---- folder --------------------------------------------------------------------
bash "$root/tools/make_demo_medium.sh" "$work/folder" "$work/install-folder" "$cli" --exe "$work/Brelix.exe"
check_clean "$work/folder"
cmp -s "$work/folder/Brelix.exe" "$work/Brelix.exe" || fail "folder: Brelix.exe"
[ "$(grep -c $'\r$' "$work/folder/info.txt")" = 48 ] || fail "folder: info.txt is not 48 CR LF lines"

# ---- CD --------------------------------------------------------------------------
images=()
have xorriso && images=(--images)
bash "$root/tools/make_demo_medium.sh" "$work/cd" "$work/install-cd" "$cli" --media cd --exe "$work/Brelix.exe" "${images[@]}"
check_clean "$work/cd"
if have xorriso; then
  [ -f "$work/cd.iso" ] || fail "no cd.iso"
  mkdir "$work/iso"
  xorriso -osirrox on -indev "$work/cd.iso" -extract / "$work/iso" >/dev/null 2>&1 || fail "cd.iso does not extract"
  diff -r "$work/cd" "$work/iso" >/dev/null || fail "cd.iso differs from the CD folder"
fi

# ---- floppies ----------------------------------------------------------------------
images=()
have mformat && have mcopy && images=(--images)
bash "$root/tools/make_demo_medium.sh" "$work/floppy" "$work/install" "$cli" --media floppy --exe "$work/Brelix.exe" "${images[@]}"
check_clean "$work/floppy"
[ -d "$work/floppy/disk2" ] && [ ! -e "$work/floppy/disk3" ] || fail "expected two disks"
records="$(tail -n 6 "$work/floppy/disk1/info.txt" | tr -d '\r' | cut -d, -f1 | tr '\n' ' ')"
[ "$records" = "1 2 2 2 2 2 " ] || fail "disk numbers of the records: $records"
for f in Brelix.exe info.txt back.bmp notes.bmp target.bmp confirm.bmp PROG.lzh; do
  [ -f "$work/floppy/disk1/$f" ] || fail "disk1 lacks $f"
done
for f in START1.lzh START15.lzh MASTER.lzh EXCEL.lzh readme.txt Setup.ini; do
  [ -f "$work/floppy/disk2/$f" ] || fail "disk2 lacks $f"
done
if [ ${#images[@]} -gt 0 ]; then
  for d in 1 2; do
    img="$work/floppy/disk$d.img"
    [ "$(stat -c %s "$img")" = 1474560 ] || fail "disk$d.img is not a 1.44 MB image"
    mkdir "$work/img$d"
    mcopy -i "$img" -n -m '::/*' "$work/img$d/" || fail "disk$d.img does not read back"
    diff -r "$work/floppy/disk$d" "$work/img$d" >/dev/null || fail "disk$d.img differs from disk$d/"
  done
fi

# A Japanese file name comes out of the floppy image as it went in (its long
# name; the short name has '_' for each Japanese character).
if [ ${#images[@]} -gt 0 ]; then
  mkdir -p "$work/jp"
  printf '[medium]\nkey=テスト\nsettings=morefa1.ini\n[file 見積の説明書.txt]\ninto=doc\\\n' >"$work/jp/medium.ini"
  printf 'x\r\n' >"$work/jp/見積の説明書.txt"
  "$cli" pack "$work/jp" "$work/jp-out" --media floppy --images --exe none >/dev/null || fail "pack of a Japanese name"
  mkdir "$work/jp-img"
  mcopy -i "$work/jp-out/disk1.img" -n -m '::/*' "$work/jp-img/"
  cmp -s "$work/jp-img/見積の説明書.txt" "$work/jp/見積の説明書.txt" || fail "the Japanese name in disk1.img"
fi

# The run from the floppy drive: disk 1 in the drive, disk 2 put in once the
# records of disk 1 are installed; the prompt is answered on standard input.
drive="$work/drive"
cp -r "$work/floppy/disk1" "$drive"
mkfifo "$work/answers"
"$cli" run "$drive" "$work/install" --removable <"$work/answers" >"$work/run.txt" 2>&1 &
run=$!
exec 3>"$work/answers"
for _ in $(seq 600); do [ -f "$work/install/prog/MITSUMO.TXT" ] && break; sleep 0.05; done
rm -f "$drive"/*
cp "$work/floppy/disk2"/* "$drive/"
echo ok >&3
exec 3>&-
set +e
wait "$run"
status=$?
set -e
cat "$work/run.txt"
[ "$status" = 0 ] || fail "run from the floppies: exit $status"
grep -q '^\[確認\] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。' "$work/run.txt" || fail "no prompt for disk 2"
grep -q '^\[確認\] システムは正常に更新されました。' "$work/run.txt" || fail "no success message"
for f in prog/MITSUMO.TXT prog/START.TXT doc/README.TXT doc/SETUP.INI master/1/pok101-3.mst; do
  [ -f "$work/install/$f" ] || fail "$f not installed"
done
grep -q 'demo template 9.1S' "$work/install/形式/横K-R7q.xlsm" || fail "template not replaced"
echo "demo media packed, checked and applied"
