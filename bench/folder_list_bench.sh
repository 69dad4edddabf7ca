#!/usr/bin/env bash
# Target dialog listing: a folder with 10,000 subfolders picked in the real
# Brelix.exe under Wine (the time the dialog takes to list and fill its
# folder list, measured by the driver around the selection), side by side
# with `ls` of a folder of the same shape.
#
# usage: bench/folder_list_bench.sh [WINDOWS_BUILD_DIR] [FOLDERS] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/.."
source "$root/tools/wine-env.sh"
# The 32-bit program where this machine can run it, else the 64-bit build.
if brelix_can_run_32bit; then default_build="$root/build-win"; else default_build="$root/build-win64"; fi
build="${1:-$default_build}"
count="${2:-10000}"
runs="${3:-3}"
exe="$build/app/Brelix.exe"
driver="$build/tests/e2e/brelix-driver.exe"
[[ -f "$exe" && -f "$driver" ]] || { echo "build the Brelix and brelix-driver targets in $build first" >&2; exit 1; }

out="$(mktemp -d "${TMPDIR:-/tmp}/brelix-listbench.XXXXXX")"
trap 'rm -rf "$out"' EXIT
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

brelix=$(for _ in $(seq "$runs"); do
  BRELIX_E2E_FOLDERS="$count" "$root/tests/e2e/run-e2e.sh" many_folders "$exe" "$driver" "$out" 2>/dev/null |
    sed -n 's/^select 1003 \[MANY\]: \([0-9]*\) ms$/\1/p'
done | median)

mkdir -p "$out/many"
(cd "$out/many" && seq -f 'sub%05g' 1 "$count" | xargs mkdir)
ls_ms=$(for _ in $(seq "$runs"); do
  s=$(date +%s%N); ls -1 "$out/many" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000000))
done | median)
lsd_ms=$(for _ in $(seq "$runs"); do
  s=$(date +%s%N); ls -1F "$out/many" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000000))
done | median)

printf '\nFolder list of a folder with %d subfolders, median of %d runs\n\n' "$count" "$runs"
printf '| %-58s | %8s |\n' "what" "ms"
printf '|%s|%s|\n' "------------------------------------------------------------" "----------"
printf '| %-58s | %8s |\n' "Brelix.exe target dialog under Wine: list and fill" "$brelix"
printf '| %-58s | %8s |\n' "ls -1 (names only), native" "$ls_ms"
printf '| %-58s | %8s |\n' "ls -1F (names and types), native" "$lsd_ms"
