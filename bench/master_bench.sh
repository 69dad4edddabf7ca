#!/usr/bin/env bash
# Material master conversion benchmark: two sets of 1000 master files of
# 1,000 records (about 375 MB) converted by brelix-cli, by sed and awk doing
# the same transformation, and copied by cp (the I/O floor).
#
# usage: bench/master_bench.sh [BUILD_DIR] [FILES_PER_SET] [RECORDS_PER_FILE]
# BUILD_DIR is a native build holding cli/brelix-cli (default: build).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build}"
files="${2:-1000}"
records="${3:-1000}"
cli="$build/cli/brelix-cli"
[[ -x "$cli" ]] || { echo "no $cli; build the brelix-cli target first" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/brelix-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/orig"
python3 "$here/master_gen.py" "$work/orig" "$files" "$records"
total_mb=$(du -sm "$work/orig/master" | cut -f1)

export LC_ALL=C
sed_sizes='s/\r$//; /^400400000(107|111)/{/^.{185}$/!s/^(.{66})./\1/}; s/$/\r/'
sed_types='s/\r$//; s/^(.{13})[AB]/\1Z/; s/$/\r/'
# awk writes each converted file beside its master and renames it, as the
# conversion does; one awk process handles every file.
awk_sizes='{ sub(/\r$/, "")
  if (substr($0, 1, 6) == "400400" && (substr($0, 7, 6) == "000107" || substr($0, 7, 6) == "000111") &&
      length($0) != 185 && length($0) > 66) $0 = substr($0, 1, 66) substr($0, 68)
  printf "%s\r\n", $0 > (FILENAME ".new") }'
awk_types='{ sub(/\r$/, "")
  c = substr($0, 14, 1); if (c == "A" || c == "B") $0 = substr($0, 1, 13) "Z" substr($0, 15)
  printf "%s\r\n", $0 > (FILENAME ".new") }'

fresh() {  # a new copy of the installation, its pages written out
  rm -rf "$work/run"
  cp -r "$work/orig" "$work/run"
  sync
}

masters() { find "$work/run/master" -name 'pok???-3.mst' -print0; }

sed_pass() { masters | xargs -0 sed -i -E -e "$1"; }
awk_pass() {
  masters | xargs -0 mawk "$1"
  local f
  while IFS= read -r -d '' f; do mv -f "$f.new" "$f"; done < <(masters)
}

timed() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null; cat "$work/time"; }

row() { printf "%-34s %10s %10s %12s\n" "$@"; }

echo "master files: 2 sets x $files files x $records records, ${total_mb} MB"
echo
row "method" "sizes s" "types s" "peak RSS KB"
row "----------------------------------" "--------" "--------" "-----------"

fresh
read -r s1 m1 < <(timed "$cli" convert-sizes "$work/run/morefa1.ini")
sync
read -r t1 m2 < <(timed "$cli" convert-types "$work/run/morefa1.ini")
row "brelix-cli (fsync per file)" "$s1" "$t1" "$(( m1 > m2 ? m1 : m2 ))"
mv "$work/run" "$work/ours"

fresh
read -r s2 m1 < <(timed bash -c "$(declare -f masters sed_pass); work='$work'; sed_pass '$sed_sizes'")
sync
read -r t2 m2 < <(timed bash -c "$(declare -f masters sed_pass); work='$work'; sed_pass '$sed_types'")
row "sed -i -E (no fsync)" "$s2" "$t2" "$(( m1 > m2 ? m1 : m2 ))"
diff -r -q "$work/ours/master" "$work/run/master" > /dev/null && sed_same=yes || sed_same=NO

fresh
read -r s3 m1 < <(timed bash -c "$(declare -f masters awk_pass); work='$work'; awk_pass '$awk_sizes'")
sync
read -r t3 m2 < <(timed bash -c "$(declare -f masters awk_pass); work='$work'; awk_pass '$awk_types'")
row "mawk + mv (no fsync)" "$s3" "$t3" "$(( m1 > m2 ? m1 : m2 ))"
diff -r -q "$work/ours/master" "$work/run/master" > /dev/null && awk_same=yes || awk_same=NO

fresh
read -r c1 m1 < <(timed cp -r "$work/run/master" "$work/copy1")
sync
read -r c2 m2 < <(timed cp -r "$work/run/master" "$work/copy2")
row "cp -r (I/O floor, no fsync)" "$c1" "$c2" "$(( m1 > m2 ? m1 : m2 ))"
rm -rf "$work/copy1" "$work/copy2"
sync
read -r c3 m1 < <(timed bash -c "cp -r '$work/run/master' '$work/copy1' && sync")
read -r c4 m2 < <(timed bash -c "cp -r '$work/run/master' '$work/copy2' && sync")
row "cp -r; sync (I/O floor, on disk)" "$c3" "$c4" "$(( m1 > m2 ? m1 : m2 ))"

echo
echo "sed output identical to brelix-cli: $sed_same; awk output identical: $awk_same"
awk -v s="$s1" -v t="$t1" -v sed2="$s2" -v sed3="$t2" -v c1="$c1" -v c2="$c2" -v c3="$c3" -v c4="$c4" 'BEGIN {
  printf "brelix-cli / sed: %.2f   brelix-cli / cp: %.2f   brelix-cli / (cp; sync): %.2f\n",
    (s + t) / (sed2 + sed3), (s + t) / (c1 + c2), (s + t) / (c3 + c4) }'
