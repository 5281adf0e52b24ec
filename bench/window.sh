#!/usr/bin/env bash
# Times the window (offscreen) on trees that give 100,000, 1,000,000 and
# 7,000,000 hits, next to kestu-grep on the same trees; shows the memory
# the window holds per hit and what it keeps after the next, small search.
#
# Usage: bench/window.sh                 all three trees
#        bench/window.sh --make-tree N   only write the tree of N hits
set -euo pipefail
cd "$(dirname "$0")/.."
DIR=${KESTU_BENCH_DIR:-/tmp/kestu-bench}/hits
BIN=${KESTU_BIN:-build/bin}

make_tree() { # HITS: files of 1,000 lines, 10 hits a line
    local hits=$1 dir=$DIR/h$1
    [[ -f $dir/.done ]] && return
    rm -rf "$dir"; mkdir -p "$dir"
    local files=$(( hits / 10000 ))
    local line="検索 の 検索 と 検索 で 検索 も 検索 に 検索 を 検索 へ 検索 や 検索 か 検索 ね"
    python3 - "$dir" "$files" "$line" <<'PY'
import os, sys
d, n, line = sys.argv[1], int(sys.argv[2]), sys.argv[3]
text = ((line + "\r\n") * 1000).encode("cp932")
for i in range(n):
    sub = "%s/d%02d" % (d, i % 20)
    os.makedirs(sub, exist_ok=True)
    open("%s/f%05d.txt" % (sub, i), "wb").write(text)
PY
    touch "$dir/.done"
}

if [[ ${1:-} == --make-tree ]]; then
    make_tree "$2"
    exit 0
fi

[[ -x $BIN/kestu-window-bench ]] || make build >&2
for n in 100000 1000000 7000000; do
    make_tree "$n"
    echo "== $n hits"
    /usr/bin/time -f "%e %M" -o /tmp/kestu-window-bench.time \
        env QT_QPA_PLATFORM=offscreen "$BIN/kestu-window-bench" 検索 "$DIR/h$n" | tee /tmp/kestu-window-bench.out
    read -r _ window_kib < /tmp/kestu-window-bench.time
    /usr/bin/time -f "%e %M" -o /tmp/kestu-window-bench.time "$BIN/kestu-grep" -b 検索 "$DIR/h$n" > /dev/null
    read -r grep_s grep_kib < /tmp/kestu-window-bench.time
    window_ms=$(sed -n 's/.*search+list \([0-9]*\) ms.*/\1/p' /tmp/kestu-window-bench.out)
    echo "kestu-grep: $grep_s s, $grep_kib KiB max resident"
    awk -v w="$window_ms" -v g="$grep_s" -v k="$window_kib" -v n="$n" 'BEGIN {
        printf "window / kestu-grep: %.2fx (target 1.2x); window peak %d MiB = %.0f bytes per hit (target 120)\n",
               w / 1000 / g, k / 1024, k * 1024 / n }'
done
