#!/usr/bin/env bash
# brelix-cli.exe under Wine: one table of command lines with the exit status
# and the output each must give. Arguments go in as the Japanese system's code
# page; the output must come back in code page 932 (never UTF-8), CR LF.
# Usage: cli_windows_test.sh PATH/brelix-cli.exe
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/wine-run.sh"
cli="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

cp932() { iconv -f UTF-8 -t CP932; }
# The Windows name of a Linux path (Wine's drive Z: is the root).
win() { printf 'Z:%s' "${1//\//\\}"; }

# A medium whose one record copies readme.txt into doc\, and the installation
# it updates (settings file with the title the medium accepts).
medium() {
  local dir="$1"
  mkdir -p "$dir"
  {
    printf 'Demo\r\n'
    for _ in $(seq 2 15); do printf '\r\n'; done
    printf 'C:\\APP\r\nx\r\n0\r\nmorefa1.ini\r\n0\r\n\r\n\r\n\r\n\r\n\r\nnotes\r\ntarget\r\n'
    printf '見積原価 8.0S\r\n'
    for i in $(seq 29 42); do printf 'none%s\r\n' "$i"; done
    printf '1,2,readme.txt,doc\\\r\n'
  } | cp932 >"$dir/info.txt"
  printf 'readme\r\n' >"$dir/readme.txt"
}
install() {
  mkdir -p "$1/bmp"
  printf '[SYSTEM]\r\nTITLE=見積原価 8.0S\r\n' | cp932 >"$1/morefa1.ini"
  : >"$1/mo2menu.ini"
  : >"$1/bmp/VOSKE2L.BMP"
  : >"$1/bmp/file.BMP"
}
medium "$work/帳表"
install "$work/inst"
mkdir -p "$work/src/sub" "$work/arc"
printf 'alpha\r\n' >"$work/src/a.txt"
printf '見積\r\n' | cp932 >"$work/src/sub/b.txt"

# check NAME EXPECTED_STATUS PATTERN ARGS...: PATTERN (extended regular
# expression, or empty) must be in stdout and stderr together, read as code
# page 932 with the CRs taken off. Raw output stays in $work/raw.
check() {
  local name="$1" expected="$2" pattern="$3"
  shift 3
  "$wine_run" "$cli" "$@" >"$work/raw" 2>&1 </dev/null
  local status=$?
  tr -d '\r' <"$work/raw" | iconv -f CP932 -t UTF-8 >"$work/out" 2>/dev/null ||
    { echo "FAIL: $name: output is not code page 932"; failures=$((failures + 1)); }
  if [ "$status" != "$expected" ]; then
    echo "FAIL: $name: exit $status, expected $expected"; cat "$work/out"; failures=$((failures + 1))
  elif [ -n "$pattern" ] && ! grep -Eq -- "$pattern" "$work/out"; then
    echo "FAIL: $name: no /$pattern/ in:"; cat "$work/out"; failures=$((failures + 1))
  fi
}

ini="$(win "$work/inst/morefa1.ini")"
check "--version" 0 '^brelix-cli [0-9]' --version
check "--help" 0 '^usage: brelix-cli' --help --lang en
check "Japanese help" 0 '^使い方: brelix-cli' --help --lang ja
check "descriptor, Japanese folder name" 0 '^m_recordCount: 1$' descriptor "$(win "$work/帳表")"
check "descriptor shows the title" 0 '見積原価 8\.0S' descriptor "$(win "$work/帳表")"
check "profile get" 0 '^見積原価 8\.0S$' profile get "$ini" SYSTEM TITLE
check "profile set" 0 '' profile set "$ini" SYSTEM 版 '第二版'
check "profile get what was set" 0 '^第二版$' profile get "$ini" SYSTEM 版
check "archive" 0 '' archive "$(win "$work/arc/t.lzh")" "$(win "$work/src")" --method lh6
check "list" 0 'sub\\b\.txt' list "$(win "$work/arc/t.lzh")"
check "test" 0 '' test "$(win "$work/arc/t.lzh")"
check "extract (names without folders)" 0 '' extract "$(win "$work/arc/t.lzh")" "$(win "$work/arc/x")\\"
cmp -s "$work/src/sub/b.txt" "$work/arc/x/b.txt" || { echo "FAIL: extracted file differs"; failures=$((failures + 1)); }
check "missing medium, path shown as typed" 1 'cannot open Z:.*\\none\\info\.txt$' descriptor "$(win "$work/none")" --lang en
check "list of a missing archive" 1 'cannot open' list "$(win "$work/none.lzh")" --lang en
check "run applied" 0 '^result 1$' run "$(win "$work/帳表")" "$(win "$work/inst")"
cmp -s "$work/帳表/readme.txt" "$work/inst/doc/README.TXT" || { echo "FAIL: run did not copy"; failures=$((failures + 1)); }
check "unknown command" 64 'unknown command: フロブ' フロブ --lang en
check "usage" 64 'usage: brelix-cli' --lang en

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "brelix-cli.exe under Wine holds"
