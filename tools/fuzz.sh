#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a given time.
#   tools/fuzz.sh TARGET SECONDS     TARGET: lzh lzh_roundtrip descriptor profile bmp master uninstall
#   tools/fuzz.sh list               the targets
# The corpus grows in $BUILD/corpus/TARGET, seeded from the test data and
# fuzz/seeds/TARGET. A crash (or timeout, leak, out-of-memory) input is kept
# in tests/data/fuzz/TARGET/, where the reliability tests replay it; fix the
# fault and commit the input with the fix. Exit status 0 when the run ended
# without a finding. BRELIX_FUZZ_BUILD names the build folder (build-fuzz).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
targets="lzh lzh_roundtrip descriptor profile bmp master uninstall"
if [ "${1:-}" = list ]; then echo "$targets"; exit 0; fi
if [ $# -ne 2 ] || ! [[ " $targets " == *" $1 "* ]] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS   (TARGET: $targets)" >&2
  exit 64
fi
target="$1"
seconds="$2"
build="${BRELIX_FUZZ_BUILD:-build-fuzz}"
jobs="${BRELIX_JOBS:-2}"

command -v clang++ >/dev/null || bash tools/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DBRELIX_FUZZ=ON -DBRELIX_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target "${target}_fuzz" -j"$jobs"

corpus="$build/corpus/$target"
seeds="$build/seeds/$target"
kept="tests/data/fuzz/$target"
mkdir -p "$corpus" "$seeds" "$kept"
case "$target" in
  lzh) cp tests/data/lzh/*.lzh "$seeds/" ;;
  descriptor) ;;  # fuzz/seeds/descriptor
  bmp)
    # Small bottom-up pictures of 1, 4, 8 and 24 bits (the last without a
    # colour table), one 8-bit picture with colours used 0.
    python3 - "$seeds" <<'PY'
import struct, sys
out = sys.argv[1]
def bmp(w, h, depth, colors, used):
    row = (w * depth + 31) // 32 * 4
    data = bytes((x * 37 + y) & 0xFF for y in range(h) for x in range(row))
    table = b"".join(bytes((i * 7 & 0xFF, i * 13 & 0xFF, i * 29 & 0xFF, 0)) for i in range(colors))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, depth, 0, len(data), 2835, 2835, used, 0)
    off = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off) + info + table + data
for depth, colors, used in ((1, 2, 2), (4, 16, 16), (8, 256, 0), (24, 0, 0)):
    with open(f"{out}/seed{depth}.bmp", "wb") as f:
        f.write(bmp(5, 3, depth, colors, used))
PY
    ;;
esac
if [ -d "fuzz/seeds/$target" ]; then cp fuzz/seeds/"$target"/* "$seeds/" 2>/dev/null || true; fi
# Inputs kept from earlier findings are seeds too.
cp "$kept"/* "$seeds/" 2>/dev/null || true

export TMPDIR="${TMPDIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)}"
log="$build/fuzz-$target.log"
set +e
"$build/fuzz/${target}_fuzz" "$corpus" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
  -timeout=25 -rss_limit_mb=2048 -artifact_prefix="$kept/" 2>&1 | tee "$log" | grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|SUMMARY|Test unit written'
status="${PIPESTATUS[0]}"
set -e
# The figures for a report: last coverage line and the final statistics.
grep -E '^#[0-9]+[[:space:]]' "$log" | tail -n1 || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
rmdir "$kept" 2>/dev/null || true
exit "$status"
