#!/usr/bin/env bash
# Material master conversion benchmark: two sets of 1000 master files of
# 1,000 records (about 375 MB) converted by brelix-cli, by sed and awk doing
# the same transformation, and copied by cp (the I/O floor).
#
# Times are wall-clock seconds, the fastest of RUNS runs, each pass over a
# fresh copy whose pages were written out first; user CPU is the sum of both
# passes. The conversion flushes every file to disk before it replaces the
# master, so a busy disk slows it far more than the tools that do not; set
# TMPDIR=/dev/shm to time the work without the disk.
#
# usage: bench/master_bench.sh [BUILD_DIR] [FILES_PER_SET] [RECORDS_PER_FILE] [RUNS]
# BUILD_DIR is a native build holding cli/brelix-cli (default: build).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build}"
files="${2:-1000}"
records="${3:-1000}"
runs="${4:-3}"
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

timed() { /usr/bin/time -f "%e %M %U" -o "$work/time" "$@" > /dev/null; cat "$work/time"; }
defs="$(declare -f masters sed_pass awk_pass); work='$work'"

row() { printf "%-34s %9s %9s %12s %12s\n" "$@"; }

# best LABEL SIZES_COMMAND TYPES_COMMAND: both passes over a fresh copy,
# $runs times; prints the fastest time of each pass and the peak memory.
# Leaves the converted copy in $work/run and the times in $best_s, $best_t.
best() {
  local label="$1" sizes="$2" types="$3" i s t m1 m2 u1 u2 peak=0 user=""
  best_s=""; best_t=""
  for ((i = 0; i < runs; i++)); do
    fresh
    read -r s m1 u1 < <(timed bash -c "$defs; $sizes")
    sync
    read -r t m2 u2 < <(timed bash -c "$defs; $types")
    sync
    (( m1 > peak )) && peak=$m1
    (( m2 > peak )) && peak=$m2
    if [[ -z "$best_s" ]] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then best_s=$s; fi
    if [[ -z "$best_t" ]] || awk -v a="$t" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then best_t=$t; fi
    user=$(awk -v a="$u1" -v b="$u2" -v m="$user" 'BEGIN { u = a + b; if (m != "" && m < u) u = m; printf "%.2f", u }')
  done
  row "$label" "$best_s" "$best_t" "$peak" "$user"
}

echo "master files: 2 sets x $files files x $records records, ${total_mb} MB; fastest of $runs runs"
echo
row "method" "sizes s" "types s" "peak RSS KB" "user CPU s"
row "----------------------------------" "--------" "--------" "-----------" "----------"

best "brelix-cli (fsync per file)" "'$cli' convert-sizes '$work/run/morefa1.ini'" \
  "'$cli' convert-types '$work/run/morefa1.ini'"
ours_s=$best_s; ours_t=$best_t
mv "$work/run" "$work/ours"

best "sed -i -E (no fsync)" "sed_pass '$sed_sizes'" "sed_pass '$sed_types'"
sed_s=$best_s; sed_t=$best_t
diff -r -q "$work/ours/master" "$work/run/master" > /dev/null && sed_same=yes || sed_same=NO

best "mawk + mv (no fsync)" "awk_pass '$awk_sizes'" "awk_pass '$awk_types'"
diff -r -q "$work/ours/master" "$work/run/master" > /dev/null && awk_same=yes || awk_same=NO

# The floor: the same files copied once per pass, into new files.
best "cp -r (I/O floor, no fsync)" "rm -rf '$work/copy'; cp -r '$work/run/master' '$work/copy'" \
  "rm -rf '$work/copy'; cp -r '$work/run/master' '$work/copy'"
cp_s=$best_s; cp_t=$best_t
best "cp -r; sync (I/O floor, on disk)" "rm -rf '$work/copy'; cp -r '$work/run/master' '$work/copy'; sync" \
  "rm -rf '$work/copy'; cp -r '$work/run/master' '$work/copy'; sync"
cps_s=$best_s; cps_t=$best_t
rm -rf "$work/copy"

echo
echo "sed output identical to brelix-cli: $sed_same; awk output identical: $awk_same"
awk -v s="$ours_s" -v t="$ours_t" -v sed2="$sed_s" -v sed3="$sed_t" -v c1="$cp_s" -v c2="$cp_t" -v c3="$cps_s" -v c4="$cps_t" 'BEGIN {
  printf "brelix-cli / sed: %.2f   brelix-cli / cp: %.2f   brelix-cli / (cp; sync): %.2f\n",
    (s + t) / (sed2 + sed3), (s + t) / (c1 + c2), (s + t) / (c3 + c4) }'
