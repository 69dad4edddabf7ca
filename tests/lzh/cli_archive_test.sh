#!/usr/bin/env bash
# brelix-cli archive: folders and files into one archive that `test` accepts,
# names relative to the folders given, and the exit statuses.
set -euo pipefail
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
status() { set +e; "$@" >/dev/null 2>&1; echo $?; set -e; }

src="$work/src"
mkdir -p "$src/sub" "$src/空"
printf 'estimate %.0s' $(seq 1 2000) >"$src/a.txt"
printf 'table' >"$src/sub/表.txt"
head -c 30000 /dev/urandom >"$work/noise.bin"

[ "$(status "$cli" archive "$work/out.lzh" "$src" "$work/noise.bin" --method lh6 --level 1)" = 0 ] || fail "archive"
[ "$(status "$cli" test "$work/out.lzh")" = 0 ] || fail "test"
list="$("$cli" list "$work/out.lzh")"
echo "$list"
for want in "-lh6-  1  a.txt" "-lh0-  1  noise.bin" '-lhd-  1  空\' '  1  sub\表.txt'; do
  grep -qF -- "$want" <<<"$list" || fail "listing lacks: $want"
done

# The archive written into a folder being archived is not a member of itself.
[ "$(status "$cli" archive "$src/self.lzh" "$src")" = 0 ] || fail "archive into the source"
if "$cli" list "$src/self.lzh" | grep -q self.lzh; then fail "archive holds itself"; fi

[ "$(status "$cli" archive)" = 64 ] || fail "no arguments: 64"
[ "$(status "$cli" archive "$work/x.lzh" "$src" --method lh9)" = 64 ] || fail "bad method: 64"
[ "$(status "$cli" archive "$work/x.lzh" "$src" --level 3)" = 64 ] || fail "bad level: 64"
[ "$(status "$cli" archive "$work/x.lzh" "$work/missing")" = 1 ] || fail "missing input: 1"
[ "$(status "$cli" archive "$work/x.lzh" "$src/a.txt" "$src/a.txt")" = 1 ] || fail "same name twice: 1"
mkdir "$work/odd" && echo a >"$work/odd/x😀.txt"
[ "$(status "$cli" archive "$work/x.lzh" "$work/odd")" = 1 ] || fail "name outside code page 932: 1"
[ ! -e "$work/x.lzh" ] || fail "a failed run leaves no archive"
echo ok
