#!/usr/bin/env bash
# Encoder benchmark: brelix-cli archive against jlha at -lh5-, -lh6- and
# -lh7- on about 20 MB of mixed data (text, executables, already-compressed
# files), header level 2. Prints per method: archive bytes, ratio, median
# wall and CPU seconds, MB/s (input over wall time), peak memory; jlha's time
# also without its Java start-up (its time for a one-byte file taken off);
# and the decode time of our archives with our decoder (brelix-cli test) and
# with bsdtar.
#
# usage: bench/encode_bench.sh [RUNS]        (default 3 runs per cell)
# Environment: BRELIX_CLI (default build/cli/brelix-cli), BENCH_DIR (default
# /dev/shm/brelix-bench when /dev/shm exists; the corpus is shared with
# bench/archive_bench.sh and kept there).
set -eu

runs="${1:-3}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${BRELIX_CLI:-$root/build/cli/brelix-cli}"
cli="$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")"
default_dir=/tmp/brelix-bench
[ -d /dev/shm ] && default_dir=/dev/shm/brelix-bench
work="${BENCH_DIR:-$default_dir}"
for tool in jlha bsdtar /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run tools/setup.sh)" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "build brelix-cli first: cmake --build build --target brelix-cli" >&2; exit 1; }
mkdir -p "$work"
cd "$work"

source "$root/bench/mixed_corpus.sh"
make_mixed_corpus
input_bytes=$(find corpus -type f ! -name .done -printf '%s\n' | awk '{s += $1} END {print s}')
printf x >one.txt

# Runs "$@" `runs` times; prints the medians: wall s, CPU s, peak KB.
measure() {
  local i
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f '%e %U %S %M' -o time.out "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    cat time.out
  done | awk '{w[NR] = $1; c[NR] = $2 + $3; m[NR] = $4}
    function med(a, n,   i, j, t) { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return a[int((n + 1) / 2)] }
    END { printf "%.2f %.2f %d\n", med(w, NR), med(c, NR), med(m, NR) }'
}

echo "input: $input_bytes bytes in $(find corpus -type f ! -name .done | wc -l) files; $runs runs per cell, medians"
printf '%-6s %-6s %10s %7s %7s %7s %7s %8s %9s %9s\n' tool method bytes ratio wall_s cpu_s MB/s peak_MB no-start_s "x_jlha"
for m in 5 6 7; do
  rm -f "ours$m.lzh" "jlha$m.lzh" "jone$m.lzh"
  read -r ow oc om <<<"$(measure "$cli" archive "ours$m.lzh" corpus/text corpus/bin corpus/gz --method "lh$m")"
  read -r jw jc jm <<<"$(cd corpus && measure jlha "co${m}y2q" "../jlha$m.lzh" text bin gz)"
  read -r sw _ _ <<<"$(measure jlha "co${m}y2q" "jone$m.lzh" one.txt)"
  ob=$(stat -c %s "ours$m.lzh")
  jb=$(stat -c %s "jlha$m.lzh")
  awk -v m="lh$m" -v inb="$input_bytes" -v ob="$ob" -v ow="$ow" -v oc="$oc" -v om="$om" \
      -v jb="$jb" -v jw="$jw" -v jc="$jc" -v jm="$jm" -v sw="$sw" 'BEGIN {
    jn = jw - sw; if (jn < 0.01) jn = 0.01; on = ow < 0.01 ? 0.01 : ow
    printf "%-6s %-6s %10d %6.2f%% %7.2f %7.2f %7.1f %8.1f %9.2f %8.1fx\n", "ours", m, ob, 100 * ob / inb, ow, oc, inb / 1e6 / on, om / 1024, ow, jw / on
    printf "%-6s %-6s %10d %6.2f%% %7.2f %7.2f %7.1f %8.1f %9.2f %9s\n", "jlha", m, jb, 100 * jb / inb, jw, jc, inb / 1e6 / jw, jm / 1024, jn, ""
    printf "%-6s %-6s %+9.2f%% smaller than jlha; %.1fx faster (wall), %.1fx (CPU), %.1fx (jlha without start-up)\n", "", m, 100 * (jb - ob) / jb, jw / on, jc / (oc < 0.01 ? 0.01 : oc), jn / on
  }'
done

echo
echo "decoding our archives (wall s, CPU s, MB/s of output, peak MB):"
printf '%-8s %-6s %7s %7s %7s %8s\n' decoder method wall_s cpu_s MB/s peak_MB
for m in 5 6 7; do
  read -r dw dc dm <<<"$(measure "$cli" test "ours$m.lzh")"
  read -r bw bc bm <<<"$(measure bsdtar -xOf "ours$m.lzh")"
  awk -v m="lh$m" -v inb="$input_bytes" -v dw="$dw" -v dc="$dc" -v dm="$dm" -v bw="$bw" -v bc="$bc" -v bm="$bm" 'BEGIN {
    printf "%-8s %-6s %7.2f %7.2f %7.1f %8.1f\n", "ours", m, dw, dc, inb / 1e6 / (dw < 0.01 ? 0.01 : dw), dm / 1024
    printf "%-8s %-6s %7.2f %7.2f %7.1f %8.1f\n", "bsdtar", m, bw, bc, inb / 1e6 / (bw < 0.01 ? 0.01 : bw), bm / 1024
  }'
done
