#!/usr/bin/env bash
# Whole-update benchmark: a medium of about 30 MB in 10 LZH archives (-lh5-,
# made with jlha) over 3 disks and two single files, applied with
# `brelix-cli run`, against the same archives extracted by bsdtar and the
# files copied with cp (the floor: the same work done by the standard
# tools). A cp of the already extracted files shows the raw I/O cost.
#
# usage: bench/run_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/.."
build="${1:-$root/build}"
runs="${2:-5}"
cli="$build/cli/brelix-cli"
[[ -x "$cli" ]] || { echo "no $cli; build the brelix-cli target first" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/brelix-runbench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# ---- The medium: 10 archives of about 3 MB of output each: text, binary
# and already-compressed data, so the decoder sees every kind of block.
mkdir -p "$work/src" "$work/medium" "$work/plain"
python3 - "$work/src" <<'PY'
import os, random, sys, zlib
out = sys.argv[1]
rng = random.Random(7)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(3000)]
for a in range(10):
    d = os.path.join(out, "A%02d" % a)
    os.makedirs(d)
    text = b" ".join(rng.choice(words) for _ in range(230000))[:1500000]
    binary = bytes((i * 7 + (i >> 9) * 13 + rng.randrange(4)) & 0xFF for i in range(1000000))
    packed = zlib.compress(os.urandom(200000) + text[:400000], 9)[:500000]
    for name, data in (("text%d.txt" % a, text), ("data%d.bin" % a, binary), ("pack%d.gz" % a, packed)):
        open(os.path.join(d, name), "wb").write(data)
PY
{
  iconv -f UTF-8 -t CP932 <<'TXT' | sed 's/$/\r/'
BrelixBench














bench.ini









1.0




bench



























TXT
} >"$work/medium/info.txt"
head -n 42 "$work/medium/info.txt" >"$work/medium/info.head"
mv "$work/medium/info.head" "$work/medium/info.txt"
for a in $(seq 0 9); do
  disk=$((a * 3 / 10 + 1))
  printf '%d,1,A%02d,a%02d\\\r\n' "$disk" "$a" "$a" >>"$work/medium/info.txt"
  (cd "$work/src/A$(printf %02d "$a")" && jlha co5 "$work/medium/A$(printf %02d "$a").lzh" ./* >/dev/null)
done
# Two single files on the last disk, copied as they are.
head -c 1500000 "$work/src/A00/text0.txt" >"$work/medium/NOTES.TXT"
head -c 1000000 "$work/src/A01/data1.bin" >"$work/medium/TABLE.BIN"
printf '3,2,NOTES.TXT,doc\\\r\n3,2,TABLE.BIN,doc\\\r\n' >>"$work/medium/info.txt"
out_mb=$(( $(du -sm "$work/src" | cut -f1) + 2 ))
in_mb=$(du -cm "$work/medium"/*.lzh | tail -n1 | cut -f1)

fresh_install() {
  rm -rf "$work/install"
  mkdir -p "$work/install/bmp"
  printf '[SYSTEM]\r\nTITLE=bench\r\n' >"$work/install/bench.ini"
  : >"$work/install/tessolin.exe"
  : >"$work/install/bmp/VOSKE2L.BMP"
  : >"$work/install/bmp/file.BMP"
  sync
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

time_brelix() {
  fresh_install
  local t0 t1
  t0=$(now)
  "$cli" run "$work/medium" "$work/install" >/dev/null || true
  t1=$(now)
  [ -f "$work/install/a09/text9.txt" ] || { echo "brelix run failed" >&2; exit 1; }
  echo "$t1 - $t0" | bc -l
}
time_bsdtar() {
  fresh_install
  local t0 t1
  t0=$(now)
  for a in 00 01 02 03 04 05 06 07 08 09; do
    mkdir -p "$work/install/a$a"
    bsdtar -xf "$work/medium/A$a.lzh" -C "$work/install/a$a"
  done
  mkdir -p "$work/install/doc"
  cp "$work/medium/NOTES.TXT" "$work/medium/TABLE.BIN" "$work/install/doc/"
  t1=$(now)
  echo "$t1 - $t0" | bc -l
}
time_cp() {
  fresh_install
  local t0 t1
  t0=$(now)
  for a in 00 01 02 03 04 05 06 07 08 09; do cp -r "$work/src/A$a" "$work/install/a$a"; done
  mkdir -p "$work/install/doc"
  cp "$work/medium/NOTES.TXT" "$work/medium/TABLE.BIN" "$work/install/doc/"
  t1=$(now)
  echo "$t1 - $t0" | bc -l
}

declare -A result
for tool in brelix bsdtar cp; do
  result[$tool]=$(for _ in $(seq "$runs"); do "time_$tool"; done | median)
done
floor=${result[bsdtar]}
printf '\nWhole update: %s MB of output from %s MB of archives, 10 archives on 3 disks, median of %s runs\n\n' "$out_mb" "$in_mb" "$runs"
printf '| %-46s | %9s | %9s | %8s |\n' "method" "seconds" "MB/s" "x floor"
printf '|%s|%s|%s|%s|\n' "------------------------------------------------" "-----------" "-----------" "----------"
for tool in brelix bsdtar cp; do
  case $tool in
    brelix) label="brelix-cli run (whole update)" ;;
    bsdtar) label="bsdtar -x of the archives + cp files (floor)" ;;
    cp) label="cp of the extracted files (raw I/O)" ;;
  esac
  t=${result[$tool]}
  printf '| %-46s | %9.3f | %9.1f | %8.2f |\n' "$label" "$t" "$(echo "$out_mb / $t" | bc -l)" "$(echo "$t / $floor" | bc -l)"
done
