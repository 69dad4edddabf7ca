#!/usr/bin/env bash
# brelix-cli's conventions on a small medium made here: one table of
# command lines with the exit status and the output each must give.
set -uo pipefail
cli="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
export LANG=C LC_ALL= LC_MESSAGES=

cp932() { iconv -f UTF-8 -t CP932; }

# medium DIR RECORD... : info.txt accepting TITLE "見積原価 8.0S", then the records.
medium() {
  local dir="$1"
  shift
  mkdir -p "$dir"
  {
    printf 'Demo\r\n'
    for _ in $(seq 2 15); do printf '\r\n'; done
    printf 'C:\\APP\r\nx\r\n0\r\nmorefa1.ini\r\n0\r\n\r\n\r\n\r\n\r\n\r\nnotes\r\ntarget\r\n'
    printf '見積原価 8.0S\r\n'
    for i in $(seq 29 42); do printf 'none%s\r\n' "$i"; done
    for r in "$@"; do printf '%s\r\n' "$r"; done
  } | cp932 >"$dir/info.txt"
  printf 'readme\r\n' >"$dir/readme.txt"
  printf 'two\r\n' >"$dir/two.txt"
}

install() {
  local dir="$1"
  mkdir -p "$dir/bmp"
  printf '[SYSTEM]\r\nTITLE=見積原価 8.0S\r\n' | cp932 >"$dir/morefa1.ini"
  : >"$dir/mo2menu.ini"
  : >"$dir/bmp/VOSKE2L.BMP"
  : >"$dir/bmp/file.BMP"
}

m="$work/medium"
medium "$m/ok" '1,2,readme.txt,doc\'
medium "$m/absent" '1,2,ABSENT.TXT,doc\'
medium "$m/escapes" '1,2,readme.txt,..\doc\'
medium "$m/disk2first" '2,2,two.txt,doc\'
medium "$m/disk2later" '1,2,readme.txt,doc\' '2,2,two.txt,doc\'
medium "$work/帳表" '1,2,readme.txt,doc\'
medium "$work/ソ" '1,2,readme.txt,doc\'
for i in ok absent escapes disk2first disk2later answers; do install "$work/$i"; done

# check NAME EXPECTED_STATUS PATTERN COMMAND...: PATTERN (an extended regular
# expression, or empty) must be found in stdout and stderr together.
check() {
  local name="$1" expected="$2" pattern="$3"
  shift 3
  "$@" >"$work/out" 2>&1 </dev/null
  local status=$?
  if [ "$status" != "$expected" ]; then
    echo "FAIL: $name: exit $status, expected $expected"; cat "$work/out"; failures=$((failures + 1))
  elif [ -n "$pattern" ] && ! grep -Eq -- "$pattern" "$work/out"; then
    echo "FAIL: $name: no /$pattern/ in:"; cat "$work/out"; failures=$((failures + 1))
  fi
}
# refute NAME PATTERN: PATTERN must not be in the last output.
refute() {
  if grep -Eq -- "$2" "$work/out"; then echo "FAIL: $1: /$2/ in:"; cat "$work/out"; failures=$((failures + 1)); fi
}

# Exit status of run: one table of outcomes.
check "run applied" 0 '^result 1$' "$cli" run "$m/ok" "$work/ok"
check "run bad command line" 1 'usage: brelix-cli run' "$cli" run "$m/ok"
check "run unknown option" 1 'usage: brelix-cli run' "$cli" run "$m/ok" "$work/ok" --bogus
check "run no settings file" 3 '^result 0$' "$cli" run "$m/ok" "$work/nothing-here"
check "run no info.txt" 4 'cannot open' "$cli" run "$m/none" "$work/ok"
check "run faulty record line" 4 '43 行目が正しくありません' "$cli" run "$m/escapes" "$work/escapes"
check "run cancel before anything changed" 2 '^result 1$' \
  "$cli" run "$m/disk2first" "$work/disk2first" --removable --answers cancel
check "run cancel after records" 5 '^result 1$' \
  "$cli" run "$m/disk2later" "$work/disk2later" --removable --answers cancel
check "run failure after changes" 6 '^result 1$' "$cli" run "$m/absent" "$work/absent"

# A disk prompt asks again for an answer it does not understand.
check "unknown answer asked again" 0 'please answer ok or cancel' \
  "$cli" run "$m/disk2later" "$work/answers" --removable --answers maybe,OK
[ "$(grep -c '2 枚目' "$work/out")" = 1 ] || { echo "FAIL: the prompt is shown once"; failures=$((failures + 1)); }
check "end of input cancels" 5 'ｱｯﾌﾟﾃﾞｲﾄを取消しました' \
  "$cli" run "$m/disk2later" "$work/disk2later" --removable --answers huh

# Paths typed with '/' are shown with '/', never doubled.
check "paths shown with /" 6 "$work/absent/doc/ABSENT.TXTの更新に失敗しました" "$cli" run "$m/absent" "$work/absent/"
refute "paths shown with /" '\\|//'
check "paths shown with / (no final /)" 6 "$work/absent/doc/ABSENT.TXTの更新に失敗しました" \
  "$cli" run "$m/absent" "$work/absent"
install "$m/absent/inst"
cd "$m/absent"
check "paths typed without separators shown with /" 6 '^\[確認\] inst/doc/ABSENT.TXTの' "$cli" run . inst
cd "$work"
check "paths typed with \\ shown with \\" 6 '^\[確認\] Q:\\absent\\doc\\ABSENT.TXTの' \
  env BRELIX_DRIVE_Q="$work" "$cli" run 'medium\absent' 'Q:\absent'
cd - >/dev/null
check "check plan paths shown with /" 1 "would copy README.TXT to $work/ok/doc/README.TXT" \
  "$cli" check "$m/ok" --target "$work/ok/" --lang en
refute "check plan paths shown with /" "$work/ok//|$work/ok/doc\\\\"

# Other commands: 0 when the command itself worked, 64 for a usage error.
check "classify" 0 '^1$' "$cli" classify "$work/ok/" morefa1.ini --medium "$m/ok"
check "classify unreadable medium" 66 'cannot read' "$cli" classify "$work/ok/" morefa1.ini --medium "$m/none"
check "classify usage" 64 'usage:' "$cli" classify
check "classify without its settings file" 66 'cannot read' "$cli" classify "$work/ok" morefa1.ini
check "check-files" 0 '^1$' "$cli" check-files "$work/ok" morefa1.ini
check "check-template" 0 '^1$' "$cli" check-template "$work/ok/"
check "convert-sizes" 0 '^0$' "$cli" convert-sizes "$work/ok/morefa1.ini"
check "convert-types without its settings file" 66 '^0$' "$cli" convert-types "$work/ok/none.ini"
check "--help" 0 '^usage: brelix-cli' "$cli" --help
check "help" 0 '^usage: brelix-cli' "$cli" help
check "run --help" 0 '^usage: brelix-cli run SOURCE_DIR' "$cli" run --help
check "no command" 64 'usage: brelix-cli' "$cli"
check "unknown command" 64 'unknown command' "$cli" frobnicate
check "--version" 0 '^brelix-cli [0-9]' "$cli" --version
"$cli" help 2>/dev/null | grep -q 'usage: brelix-cli' || { echo "FAIL: help on stdout"; failures=$((failures + 1)); }

# One language per --lang or LANG for the CLI's own messages.
check "--lang ja" 4 'info.txt を開けません' "$cli" --lang ja run "$m/none" "$work/ok"
check "LANG=ja" 1 'を開けません' env LANG=ja_JP.UTF-8 "$cli" list "$work/none.lzh"
check "--lang en beats LANG" 1 'cannot open' env LANG=ja_JP.UTF-8 "$cli" list "$work/none.lzh" --lang en
check "usage in Japanese" 64 '^使い方: brelix-cli' "$cli" check --lang ja
check "descriptor in English" 2 'faulty line 43: the subfolder leads out' "$cli" descriptor "$m/escapes"
check "descriptor in Japanese" 2 '^記録 0: ディスク 1、種類 2' "$cli" descriptor "$m/escapes" --lang ja

# Folders whose name ends in a trail byte 0x5C.
check "descriptor 帳表" 0 '^m_recordCount: 1$' "$cli" descriptor "$work/帳表"
check "descriptor ソ/" 0 '^m_recordCount: 1$' "$cli" descriptor "$work/ソ/"
check "run from 帳表" 0 '^result 1$' "$cli" run "$work/帳表" "$work/ok"

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "brelix-cli conventions hold"
