#!/usr/bin/env bash
# brelix-cli run on the demo medium: the installation is updated end to end.
set -euo pipefail
cli="$1"
root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$root/tools/make_demo_medium.sh" "$work/medium" "$work/install" "$cli"
set +e
"$cli" run "$work/medium" "$work/install" >"$work/out.txt" 2>&1
status=$?
set -e
cat "$work/out.txt"
[ "$status" = 0 ] || fail "exit status $status, expected 0 (applied)"
expected='[確認] 原価計算書のエクセルひな形を更新しました。
[確認] システムは正常に更新されました。
result 1'
[ "$(cat "$work/out.txt")" = "$expected" ] || fail "messages differ"

i="$work/install"
for f in prog/MITSUMO.TXT prog/PROGRAM.INI prog/START.TXT doc/README.TXT doc/SETUP.INI master/1/pok101-3.mst tov3.ini; do
  [ -f "$i/$f" ] || fail "$f missing"
done
grep -q 'demo template 9.1S' "$i/形式/横K-R7q.xlsm" || fail "template not replaced"
get() { "$cli" profile get "$1" "$2" "$3" | head -n1; }
[ "$(get "$i/morefa1.ini" SYSTEM TITLE)" = "見積原価システム 9.1S" ] || fail "TITLE"
[ "$(get "$i/morefa1.ini" SYSTEM Version)" = "9.1S" ] || fail "Version"
[ "$(get "$i/morefa1.ini" SYSTEM GENGOU)" = "令和" ] || fail "GENGOU"
[ "$(get "$i/morefa1.ini" SYSTEM 種別水道)" = "1" ] || fail "種別水道"
[ "$(get "$i/morefa1.ini" SYSTEM 種別設備)" = "1" ] || fail "種別設備"
[ "$(get "$i/tov3.ini" HISTORY 抽出開始日ON)" = "1" ] || fail "抽出開始日ON"
[ "$(get "$i/tov3.ini" HISTORY 抽出終了日ON)" = "1" ] || fail "抽出終了日ON"
# Both master sets converted: size records of 185 bytes, type letters Z, CR LF.
for f in master/1/pok001-3.mst master/1/pok101-3.mst master/21/pok001-3.mst; do
  grep -q $'^1234567890123Z' "$i/$f" || fail "$f: type letter"
  if grep -q '^400400' "$i/$f"; then
    len="$(grep '^400400' "$i/$f" | head -n1 | tr -d '\r\n' | wc -c)"
    [ "$len" = 185 ] || fail "$f: size record of $len bytes"
  fi
  [ "$(grep -c $'\r$' "$i/$f")" = "$(wc -l <"$i/$f")" ] || fail "$f: line ends"
done
echo "demo medium applied"
