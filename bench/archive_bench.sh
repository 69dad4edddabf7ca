#!/usr/bin/env bash
# Extraction benchmark: brelix-cli extract against lhasa, bsdtar (libarchive)
# and 7z on the same archives. Prints a table of median wall time, median CPU
# time (user + system), output MB/s (from the wall time) and median peak
# memory (maximum resident set size) per tool and archive. The row
# "files" is no tool: bench/files_only.cpp making the same files the way
# brelix-cli does (temporary files on the same threads, then renamed into
# place) with no decoding, the floor under our time.
#
# usage: bench/archive_bench.sh [RUNS]        (default 5 runs per cell)
# Environment: BRELIX_CLI (default build-lzh/cli/brelix-cli), BENCH_DIR
# (default /dev/shm/brelix-bench when /dev/shm exists, so that the disk does
# not dominate; the corpus and archives are kept there and reused).
set -eu

runs="${1:-5}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${BRELIX_CLI:-$root/build-lzh/cli/brelix-cli}"
default_dir=/tmp/brelix-bench
[ -d /dev/shm ] && default_dir=/dev/shm/brelix-bench
work="${BENCH_DIR:-$default_dir}"
for tool in jlha lhasa bsdtar 7z /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run tools/setup.sh)" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "build brelix-cli first: cmake --build build-lzh --target brelix-cli" >&2; exit 1; }
mkdir -p "$work"
cd "$work"
c++ -std=c++17 -O2 -pthread -o files_only "$root/bench/files_only.cpp"

source "$root/bench/mixed_corpus.sh"
make_mixed_corpus
if [ ! -f small/.done ]; then
  rm -rf small && mkdir -p small
  python3 - <<'PY'
import os, random
random.seed(1)
texts = sorted(os.listdir("corpus/text"))
blob = b"".join(open(os.path.join("corpus/text", t), "rb").read() for t in texts[:50])
for i in range(2000):
    n = random.randint(200, 6000)
    off = random.randint(0, len(blob) - n)
    open(f"small/f{i:04d}.txt", "wb").write(blob[off:off + n])
PY
  touch small/.done
fi
for m in 5 6 7; do
  [ -f "mixed_lh$m.lzh" ] || (cd corpus && find text bin gz -type f | sort > ../list.txt &&
    xargs jlha "co${m}y2q" "../mixed_lh$m.lzh" < ../list.txt >/dev/null)
done
[ -f small_lh5.lzh ] || (cd small && ls f*.txt | xargs jlha co5y2q ../small_lh5.lzh >/dev/null)

# One run: wall seconds, CPU seconds and peak KiB. The wall time comes from
# the shell's microsecond clock (time's own is in hundredths, too coarse for
# runs of a tenth of a second).
measure() {
  local out="$1"; shift
  rm -rf "$out" && mkdir -p "$out"
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%e %U %S %M" -o time.txt "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; echo "nan 0 0 0"; return; }
  local finish=$EPOCHREALTIME
  awk -v s="$start" -v f="$finish" '{print f - s, $2 + $3, $4}' time.txt
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# The tools take turns run by run, so that a change of load on a shared
# machine falls on every tool alike; "x bsdtar" is bsdtar's median wall time
# divided by the tool's.
tools="brelix files lhasa bsdtar 7z"
printf '%-16s %-9s %10s %10s %10s %10s %9s\n' archive tool "wall s" "cpu s" "MB/s" "peak MB" "x bsdtar"
for arc in mixed_lh5.lzh mixed_lh6.lzh mixed_lh7.lzh small_lh5.lzh; do
  # Output size from our own listing.
  bytes=$("$cli" list "$arc" | awk 'NR>1 {s+=$2} END {print s}')
  "$cli" list "$arc" | awk 'NR>1 {print $2, $NF}' > "files_$arc.txt"
  for tool in $tools; do : > "times_$tool.txt"; : > "cpus_$tool.txt"; : > "mems_$tool.txt"; done
  for ((i = 0; i < runs; i++)); do
    for tool in $tools; do
      case $tool in
        brelix) r=$(measure out "$cli" extract "$work/$arc" "$work/out") ;;
        files) r=$(measure out ./files_only out "files_$arc.txt") ;;
        lhasa) r=$(cd "$work" && measure out sh -c "cd out && exec lhasa xq ../$arc") ;;
        bsdtar) r=$(measure out bsdtar xf "$arc" -C out) ;;
        7z) r=$(measure out 7z x -y -oout "$arc") ;;
      esac
      set -- $r
      echo "$1" >> "times_$tool.txt"; echo "$2" >> "cpus_$tool.txt"; echo "$3" >> "mems_$tool.txt"
    done
  done
  tb=$(median < times_bsdtar.txt)
  for tool in $tools; do
    t=$(median < "times_$tool.txt"); c=$(median < "cpus_$tool.txt"); m=$(median < "mems_$tool.txt")
    awk -v a="$arc" -v tool="$tool" -v t="$t" -v c="$c" -v m="$m" -v b="$bytes" -v tb="$tb" \
      'BEGIN {printf "%-16s %-9s %10.3f %10.3f %10.1f %10.1f %9.2f\n", a, tool, t, c, (t > 0 ? b / t / 1e6 : 0), m / 1024, (t > 0 ? tb / t : 0)}'
  done
done
