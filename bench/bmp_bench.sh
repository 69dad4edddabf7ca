#!/usr/bin/env bash
# Time of one picture read (what each repaint costs) against a plain read.
# usage: bench/bmp_bench.sh
set -eu
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${BENCH_DIR:-/tmp/brelix-bmp-bench}"
mkdir -p "$work"
c++ -std=c++17 -O2 -I"$root" -o "$work/make_bmp" "$root/tools/make_bmp.cpp"
c++ -std=c++17 -O2 -I"$root" -o "$work/bmp_bench" "$root/bench/bmp_bench.cpp" "$root/gfx/bmp_read.cpp"
"$work/make_bmp" "$work"
# A full-screen 24-bit picture as well, made from the demo background.
if command -v convert >/dev/null; then
  convert "$work/back.bmp" -resize 1920x1080! -type TrueColor BMP3:"$work/back-1080p.bmp"
fi
"$work/bmp_bench" "$work"/*.bmp
