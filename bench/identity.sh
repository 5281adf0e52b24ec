#!/usr/bin/env bash
# Fingerprints of kestu-grep's results, to prove that a refactor or a speed-up
# changed no result.
#
# Runs a fixed set of queries (plain, ignore case, regex, forced codes) with
# --json over samples/ and, when it exists, the bench tree, and writes one
# line per query: its name, the SHA-256 of standard output, the number of hit
# lines, the SHA-256 of standard error (the final counts) and the exit status.
#
# Usage: bench/identity.sh OUT_FILE          write the fingerprints
#        bench/identity.sh --compare A B     compare two fingerprint files
#        bench/identity.sh --whole-file [DIR]
#            run every query twice over DIR (default: the bench tree), once
#            as usual and once with KESTU_WHOLE_FILE=1 (every file read and
#            converted whole, every line searched, one worker), and compare
#            standard output and standard error byte for byte
#
# KESTU_GREP picks the binary (default build/bin/kestu-grep); the bench tree
# is $KESTU_BENCH_DIR/tree (default /tmp/kestu-bench/tree, made by run.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if [[ ${1:-} == --compare ]]; then
    [[ $# == 3 ]] || { echo "usage: bench/identity.sh --compare A B" >&2; exit 2; }
    if diff -u "$2" "$3"; then
        echo "identical: $(wc -l < "$2") queries"
        exit 0
    fi
    echo "results differ" >&2
    exit 1
fi
KESTU=${KESTU_GREP:-build/bin/kestu-grep}
TREE=${KESTU_BENCH_DIR:-/tmp/kestu-bench}/tree
[[ -x $KESTU ]] || { echo "identity.sh: $KESTU not found (make build first)" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [[ ${1:-} == --whole-file ]]; then
    dir=$(realpath "${2:-$TREE}")
    KESTU=$(realpath "$KESTU")
    failed=0 count=0
    # same NAME ARGS...: both paths, outputs compared through their digests
    same() {
        local name=$1 fast slow
        shift
        fast=$( (cd "$dir" && { "$KESTU" --json "$@" . 2> "$tmp/err.fast"; echo "rc=$?" >> "$tmp/err.fast"; } \
                 | sha256sum) )
        slow=$( (cd "$dir" && { KESTU_WHOLE_FILE=1 "$KESTU" --json "$@" . 2> "$tmp/err.slow"; echo "rc=$?" >> "$tmp/err.slow"; } \
                 | sha256sum) )
        count=$((count + 1))
        if [[ $fast == "$slow" ]] && cmp -s "$tmp/err.fast" "$tmp/err.slow"; then
            printf 'same     %s\n' "$name"
        else
            printf 'DIFFERS  %s\n' "$name"
            failed=1
        fi
    }
    same rare-ascii      -b KESTURAREWORD
    same rare-ja         -b 蜃気楼
    same common-ja       -b ファイル
    same common-ascii    -b return
    same plain-ja        -b 検索
    same nocase-ascii    -b -i RETURN
    same nocase-rare     -b -i kesturareword
    same nocase-wide     -b -i ａｂｃ
    same nocase-ja       -b -i 蜃気楼
    same regex-literal   -b -r KESTURAREWORD
    same regex-year      -b -r '[0-9]+年'
    same regex-caps      -b -r '[A-Z_]{4,}_MAX\b'
    same regex-nocase    -b -r -i 'kestu|検索'
    same regex-nocase-lit -b -r -i 'Return [a-z]+'
    for c in 1 2 3 5 6; do
        same "code$c" -b -c "$c" の
    done
    ((failed)) && { echo "the fast path and the whole-file path differ" >&2; exit 1; }
    echo "identical: $count queries over $dir"
    exit 0
fi

[[ $# == 1 ]] || { echo "usage: bench/identity.sh OUT_FILE" >&2; exit 2; }
out=$1
: > "$out"

# query NAME DIR ARGS...   (ARGS end with the search text; DIR is appended)
query() {
    local name=$1 dir=$2
    shift 2
    local rc=0
    (cd "$dir" && "$KESTU" --json "$@" .) > "$tmp/out" 2> "$tmp/err" || rc=$?
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" \
        "$(sha256sum < "$tmp/out" | cut -c1-16)" "$(wc -l < "$tmp/out")" \
        "$(sha256sum < "$tmp/err" | cut -c1-16)" "$rc" >> "$out"
}

KESTU=$(realpath "$KESTU")
for tree in samples "$TREE"; do
    [[ -d $tree ]] || continue
    tag=$(basename "$tree")
    d=$(realpath "$tree")
    query "$tag:plain-ja"        "$d" -b 検索
    query "$tag:plain-ja-common" "$d" -b ファイル
    query "$tag:plain-ascii"     "$d" -b return
    query "$tag:rare-ja"         "$d" -b 蜃気楼
    query "$tag:rare-ascii"      "$d" -b KESTURAREWORD
    query "$tag:nocase-ascii"    "$d" -b -i RETURN
    query "$tag:nocase-wide"     "$d" -b -i ａｂｃ
    query "$tag:regex-year"      "$d" -b -r '[0-9]+年'
    query "$tag:regex-caps"      "$d" -b -r '[A-Z_]{4,}_MAX\b'
    query "$tag:regex-nocase"    "$d" -b -r -i 'kestu|検索'
    query "$tag:depth1"          "$d" -b -l 1 の
    query "$tag:filter-txt"      "$d" -b -f '*.txt,*.html' の
    for c in 1 2 3 4 5 6; do
        query "$tag:code$c" "$d" -b -c "$c" の
    done
done
echo "wrote $(wc -l < "$out") fingerprints to $out"
