# Sourced by the LZH benchmarks: make_mixed_corpus makes ./corpus in the
# current folder, about 20 MB of text (C headers), executables and
# already-compressed files (gzip manual pages), once; later calls keep it.
make_mixed_corpus() {
  [ -f corpus/.done ] && return 0
  rm -rf corpus && mkdir -p corpus/text corpus/bin corpus/gz
  find /usr/include -name '*.h' -size +8k | sort | head -n 700 | while read -r f; do
    cp "$f" "corpus/text/$(echo "$f" | tr / _)"; done
  find /usr/bin -maxdepth 1 -type f -size +100k -size -3M | sort | head -n 30 | while read -r f; do
    cp "$f" corpus/bin/; done
  find /usr/share/man -name '*.gz' -size +6k | sort | head -n 500 | while read -r f; do
    cp "$f" "corpus/gz/$(echo "$f" | tr / _)"; done
  # Trim to about 20 MB, keeping the mix.
  python3 - <<'PY'
import os
limit = {"corpus/text": 9_000_000, "corpus/bin": 8_000_000, "corpus/gz": 3_000_000}
for d, cap in limit.items():
    total = 0
    for n in sorted(os.listdir(d)):
        p = os.path.join(d, n)
        s = os.path.getsize(p)
        if total + s > cap:
            os.remove(p)
        else:
            total += s
PY
  touch corpus/.done
}
