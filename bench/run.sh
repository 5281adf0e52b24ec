#!/usr/bin/env bash
# Throughput of kestu-grep against GNU grep and ripgrep on the same tree.
#
# Builds (once) a corpus of about 990 MB of Japanese text in five encodings
# plus ASCII source code under $KESTU_BENCH_DIR (default /tmp/kestu-bench),
# then times each command with a warm cache, best of $KESTU_BENCH_RUNS
# (default 3), and prints seconds, MB/s and the time ratios kestu/grep and
# kestu/rg.  See bench/README.md.
#
# Usage: bench/run.sh [--corpus-only] [--baseline-only] [--regen]
#   --corpus-only    build or check the corpus, time nothing
#   --baseline-only  time grep and rg only (no kestu-grep needed)
#   --regen          throw away an existing corpus and build it again
#   --no-window      leave out the window's measurements (target 5)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."


BENCH_DIR=${KESTU_BENCH_DIR:-/tmp/kestu-bench}
TREE=$BENCH_DIR/tree
POOL=$BENCH_DIR/pool
STAMP=$BENCH_DIR/stamp
OWNER_MARK=$BENCH_DIR/.kestu-bench
KESTU=${KESTU_GREP:-build/bin/kestu-grep}
KESTU_BIN_DIR=${KESTU_BIN:-build/bin}
RUNS=${KESTU_BENCH_RUNS:-3}

# Bump when the corpus layout or content changes: an older corpus is rebuilt.
CORPUS_VERSION=3
MIN_CORPUS_BYTES=$((900 * 1000 * 1000))
# The huge files (1 GiB each, outside the tree): one UTF-8, one Shift-JIS.
HUGE=$BENCH_DIR/huge
HUGE_BYTES=$((1024 * 1024 * 1024))

# Words searched for.  The rare ones are planted on one marker line in a few
# files of every encoding and removed from the source material beforehand,
# so their hit counts are exact; the common ones occur naturally.
RARE_ASCII=KESTURAREWORD
RARE_JA=蜃気楼
COMMON_JA=ファイル
COMMON_ASCII="return"
MARKER_FILES=4          # files per encoding class that get the marker line

corpus_only=0 baseline_only=0 regen=0 window=1
for arg in "$@"; do
    case $arg in
        --no-window) window=0 ;;
        --corpus-only) corpus_only=1 ;;
        --baseline-only) baseline_only=1 ;;
        --regen) regen=1 ;;
        -h|--help) sed -n '2,16p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "run.sh: unknown option: $arg" >&2; exit 2 ;;
    esac
done

log() { printf '[bench] %s\n' "$*" >&2; }
die() { printf 'run.sh: %s\n' "$*" >&2; exit 1; }

SUDO=
if [[ $(id -u) != 0 ]]; then
    command -v sudo >/dev/null || die "not root and sudo is missing: needed for apt-get (ripgrep, manpages-ja)"
    SUDO=sudo
fi

apt_updated=0
apt_install() {
    log "apt-get install $*"
    if ! $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >&2; then
        ((apt_updated)) && die "apt-get install $* failed"
        $SUDO apt-get update -q >&2
        apt_updated=1
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >&2 || die "apt-get install $* failed"
    fi
}

# ---------------------------------------------------------------------------
# Tools
# ---------------------------------------------------------------------------
ensure_tools() {
    command -v iconv >/dev/null || die "iconv (libc-bin) is missing"
    command -v rg >/dev/null || apt_install ripgrep
    command -v rg >/dev/null || die "ripgrep did not install"
    command -v zip >/dev/null || apt_install zip
    command -v unzip >/dev/null || apt_install unzip
}

# The Shift-JIS + ASCII folder packed once as a ZIP and as a tar.gz, beside
# the tree (never in the repository).
ensure_packed() {
    local dir=$BENCH_DIR/packed
    mkdir -p "$dir"
    [[ -s $dir/sjis.zip ]] || (cd "$TREE" && zip -q -r -1 "$dir/sjis.zip.tmp" sjis && mv "$dir/sjis.zip.tmp" "$dir/sjis.zip")
    [[ -s $dir/sjis.tar.gz ]] || (tar -C "$TREE" -czf "$dir/sjis.tar.gz.tmp" sjis && mv "$dir/sjis.tar.gz.tmp" "$dir/sjis.tar.gz")
}

# pipe_case NAME FILE PIPELINE KESTU_ARGS...
#   Times `kestu-grep KESTU_ARGS FILE` against a shell PIPELINE that unpacks
#   FILE and greps the raw bytes (it finds only what is in Shift-JIS).
pipe_case() {
    local name=$1 file=$2 pipeline=$3; shift 3
    local bytes t h tk hk
    bytes=$(stat -c %s "$file")
    hk=$(hits "$KESTU" "$@" "$file")
    tk=$(time_best "$KESTU" "$@" "$file")
    h=$(hits bash -c "$pipeline")
    t=$(time_best bash -c "$pipeline")
    RESULTS+=("$name|kestu|$tk|$bytes|$hk|$(ratio "$tk" "$t")|-")
    RESULTS+=("$name|grep|$t|$bytes|$h")
    log "$name kestu: ${tk}s, $hk hits; pipeline: ${t}s, $h hits"
}

# Prints the folder holding the Japanese manual pages (gzipped UTF-8 roff).
# Some images exclude /usr/share/man from dpkg; then the pages are taken
# from the package file itself.
manpages_ja_dir() {
    local dir=/usr/share/man/ja
    if ! dpkg -s manpages-ja >/dev/null 2>&1; then
        apt_install manpages-ja
    fi
    if [[ -n $(find "$dir" -name '*.gz' -print -quit 2>/dev/null) ]]; then
        echo "$dir"
        return
    fi
    log "manpages-ja is installed but $dir is empty (dpkg path exclusion?); unpacking the package"
    local tmp=$POOL/deb
    rm -rf "$tmp" && mkdir -p "$tmp"
    (cd "$tmp" && apt-get download -q manpages-ja >&2)
    dpkg-deb -x "$tmp"/manpages-ja_*.deb "$tmp/root"
    [[ -n $(find "$tmp/root/usr/share/man/ja" -name '*.gz' -print -quit) ]] || die "no pages in manpages-ja"
    echo "$tmp/root/usr/share/man/ja"
}

# ---------------------------------------------------------------------------
# Corpus
# ---------------------------------------------------------------------------
# Layout (every class gets the same folder shape, two levels under its root):
#   tree/sjis/dNN/sNN/doc*.txt   Shift-JIS (CP932) text, half of it CR LF
#   tree/sjis/dNN/sNN/src*.c|h   ASCII C source (libc and kernel headers)
#   tree/eucjp/...               EUC-JP-MS text, LF
#   tree/iso2022jp/...           ISO-2022-JP text, LF
#   tree/utf8bom/...             UTF-8 with BOM, half of it CR LF
#   tree/utf8/...                UTF-8 without BOM, LF
# Per class: 800 files of 1-64 KB, 100 of 64-512 KB, 12 of 1-4 MB and 2 of
# 20-100 MB (real archives hold such files), sizes log-uniform, cut at line boundaries from the material starting at a random
# line (the material is repeated as often as needed).

# iconv -c may exit 1 when it dropped characters; anything else is an error.
iconv_c() { iconv -c "$@" || [[ $? == 1 ]]; }

prepare_pools() {
    mkdir -p "$POOL"
    local mandir
    mandir=$(manpages_ja_dir)
    log "material: Japanese manual pages from $mandir"
    # Drop roff comment lines (English licence text), CRs and any line that
    # already holds a benchmark word; keep only what ISO-2022-JP (the
    # narrowest of the five encodings) can carry, so every class has the
    # same text.
    find "$mandir" -name '*.gz' -type f -print0 | LC_ALL=C sort -z | xargs -0 zcat \
        | LC_ALL=C grep -av -e '^\.\\"' -e "$RARE_ASCII" -e "$RARE_JA" \
        | tr -d '\r' \
        | iconv_c -f UTF-8 -t ISO-2022-JP | iconv -f ISO-2022-JP -t UTF-8 > "$POOL/ja.UTF-8"
    local enc
    for enc in CP932 EUC-JP-MS ISO-2022-JP; do
        iconv_c -f UTF-8 -t "$enc" < "$POOL/ja.UTF-8" > "$POOL/ja.$enc"
    done

    # ASCII material: the C headers of libc6-dev and linux-libc-dev (present
    # wherever a C compiler is, and the same for a given Debian release), or
    # every header under /usr/include when those are missing.  Sorted for
    # repeatability; lines with any non-ASCII byte are dropped; repeated by
    # the slicer as often as needed.
    log "material: ASCII C headers"
    dpkg -L libc6-dev linux-libc-dev 2>/dev/null | grep '\.h$' | LC_ALL=C sort -u \
        | while IFS= read -r f; do [[ -f $f && ! -L $f ]] && printf '%s\0' "$f"; done > "$POOL/headers.list" || true
    if (( $(tr -cd '\0' < "$POOL/headers.list" | wc -c) < 500 )); then
        find /usr/include -name '*.h' -type f -print0 | LC_ALL=C sort -z > "$POOL/headers.list"
    fi
    xargs -0 cat < "$POOL/headers.list" | tr -d '\r' | LC_ALL=C grep -av $'[^\t -~]' > "$POOL/src.ASCII"

    local f
    for f in "$POOL"/ja.* "$POOL"/src.ASCII; do
        (( $(stat -c %s "$f") > 1000000 )) || die "material $f is too small"
    done
    # Marker lines, one per encoding, stored as bytes in that encoding.
    local mark="【稀少語】${RARE_JA} ${RARE_ASCII} はベンチマーク用の目印です。"
    printf '%s\n' "$mark" > "$POOL/mark.UTF-8"
    for enc in CP932 EUC-JP-MS ISO-2022-JP; do
        printf '%s\n' "$mark" | iconv -f UTF-8 -t "$enc" > "$POOL/mark.$enc"
    done
    printf '/* %s: benchmark marker */\n' "$RARE_ASCII" > "$POOL/mark.ASCII"
}

# slice POOLFILE MARKFILE OUTDIR PREFIX EXTS BOM CRLF_RATE SEED
#   Writes one class of files; reports "files bytes markers" on stdout.
slice() {
    local pool=$1 mark=$2 out=$3 prefix=$4 exts=$5 bom=$6 crlf=$7 seed=$8
    mkdir -p "$out"/d{00..07}/s{00..07}
    LC_ALL=C awk -v out="$out" -v prefix="$prefix" -v exts="$exts" -v bom="$bom" \
        -v crlfrate="$crlf" -v seed="$seed" -v markfile="$mark" -v nmark="$MARKER_FILES" '
    BEGIN { srand(seed) }
    { L[++n] = $0 }
    END {
        if (n == 0) { print "empty material" > "/dev/stderr"; exit 1 }
        if ((getline mark < markfile) <= 0) { print "no marker line" > "/dev/stderr"; exit 1 }
        nsmall = 800; nmed = 100; nlarge = 12; nhuge = 2
        total = nsmall + nmed + nlarge + nhuge
        for (k = 0; k < nmark; ) { i = int(rand() * total); if (!(i in M)) { M[i] = 1; k++ } }
        ne = split(exts, E, ",")
        for (i = 0; i < total; i++) {
            if (i < nsmall)             { lo = 1024;    hi = 65536 }
            else if (i < nsmall + nmed) { lo = 65536;   hi = 524288 }
            else if (i < nsmall + nmed + nlarge) { lo = 1048576; hi = 4194304 }
            else                        { lo = 20000000; hi = 100000000 }
            size = int(exp(log(lo) + rand() * (log(hi) - log(lo))))
            f = sprintf("%s/d%02d/s%02d/%s%04d.%s", out, int(rand() * 8), int(rand() * 8),
                        prefix, i, E[int(rand() * ne) + 1])
            eol = rand() < crlfrate ? "\r\n" : "\n"
            el = length(eol)
            w = 0
            if (bom) { printf "\357\273\277" > f; w = 3 }
            line = int(rand() * n) + 1
            mpos = (i in M) ? int(rand() * size) : -1
            while (w < size) {
                if (mpos >= 0 && w >= mpos) {
                    printf "%s%s", mark, eol > f; w += length(mark) + el; mpos = -1; marks++
                }
                printf "%s%s", L[line], eol > f
                w += length(L[line]) + el
                if (++line > n) line = 1
            }
            if (mpos >= 0) { printf "%s%s", mark, eol > f; w += length(mark) + el; marks++ }
            close(f)
            bytes += w
        }
        printf "%d %d %d\n", total, bytes, marks
    }' "$pool"
}

corpus_ok() {
    [[ -f $STAMP ]] && grep -qx "version=$CORPUS_VERSION" "$STAMP"
}

# huge_file MATERIAL MARK OUT: at least HUGE_BYTES of the material, repeated,
# with the marker line after every 16th copy; prints the number of markers.
huge_file() {
    local mat=$1 mark=$2 out=$3 copies=0 marks=0 size=0 step
    step=$(stat -c %s "$mat")
    mkdir -p "$(dirname "$out")"
    {
        while ((size < HUGE_BYTES)); do
            cat "$mat"
            size=$((size + step))
            copies=$((copies + 1))
            if ((copies % 16 == 0)); then cat "$mark"; marks=$((marks + 1)); fi
        done
    } > "$out"
    echo "$marks"
}

build_corpus() {
    if [[ -e $BENCH_DIR && ! -e $OWNER_MARK ]] && [[ -n $(ls -A "$BENCH_DIR") ]]; then
        die "$BENCH_DIR exists, is not empty and was not made by this script; set KESTU_BENCH_DIR elsewhere"
    fi
    log "building corpus in $BENCH_DIR (a few seconds)"
    rm -rf "$TREE" "$POOL" "$STAMP"
    mkdir -p "$BENCH_DIR"
    : > "$OWNER_MARK"
    local t0=$SECONDS
    prepare_pools

    # class: material folder file-prefix extensions bom crlf-rate seed
    # (material ja.ENC goes with marker mark.ENC)
    local classes=(
        "ja.CP932       sjis      doc txt   0 0.5 11"
        "src.ASCII      sjis      src c,h,h 0 0   12"
        "ja.EUC-JP-MS   eucjp     doc txt   0 0   13"
        "ja.ISO-2022-JP iso2022jp doc txt   0 0   14"
        "ja.UTF-8       utf8bom   doc txt   1 0.5 15"
        "ja.UTF-8       utf8      doc txt   0 0   16"
    )
    local c mat dir prefix exts bom crlf seed pid pids=() i=0
    for c in "${classes[@]}"; do
        read -r mat dir prefix exts bom crlf seed <<<"$c"
        slice "$POOL/$mat" "$POOL/mark.${mat#*.}" "$TREE/$dir" "$prefix" "$exts" "$bom" "$crlf" "$seed" \
            > "$POOL/class$i.out" &
        pids+=($!)
        i=$((i + 1))
        # two at a time: the machine has two cores
        if (( ${#pids[@]} == 2 || i == ${#classes[@]} )); then
            for pid in "${pids[@]}"; do wait "$pid" || die "writing the corpus failed"; done
            pids=()
        fi
    done

    # The huge files live beside the tree, not in it: the tree's timings stay
    # short, and these serve the memory and cancel measurements.
    log "writing the huge files (2 x 1 GiB)"
    rm -rf "$HUGE"
    local huge_utf8 huge_sjis
    huge_utf8=$(huge_file "$POOL/ja.UTF-8" "$POOL/mark.UTF-8" "$HUGE/utf8/big-utf8.txt")
    huge_sjis=$(huge_file "$POOL/ja.CP932" "$POOL/mark.CP932" "$HUGE/sjis/big-sjis.txt")

    local total_bytes files
    total_bytes=$(du -sb "$TREE" | cut -f1)
    files=$(find "$TREE" -type f | wc -l)
    (( total_bytes >= MIN_CORPUS_BYTES )) || die "corpus is only $total_bytes bytes"
    {
        echo "version=$CORPUS_VERSION"
        echo "files=$files"
        echo "bytes=$total_bytes"
        for dir in sjis eucjp iso2022jp utf8bom utf8; do
            echo "bytes.$dir=$(du -sb "$TREE/$dir" | cut -f1)"
        done
        echo "huge.utf8.marks=$huge_utf8"
        echo "huge.sjis.marks=$huge_sjis"
        echo "seconds=$((SECONDS - t0))"
    } > "$STAMP.tmp"
    mv "$STAMP.tmp" "$STAMP"
    log "corpus done: $files files, $total_bytes bytes in $((SECONDS - t0)) s"
}

stamp_get() { sed -n "s/^$1=//p" "$STAMP"; }

# ---------------------------------------------------------------------------
# Timing
# ---------------------------------------------------------------------------
# time_best CMD...  ->  prints the best wall time of $RUNS runs, in seconds.
# The output goes to a plain file, not /dev/null: GNU grep notices a
# /dev/null stdout and stops at the first match, which would time nothing.
# Exit status 0 and 1 (no hit) are fine; anything else (a crash, a usage
# error) stops the benchmark.
# With COLD=1 there is no warm-up and the page cache is dropped before each
# run, so every run reads the tree from the disk.
COLD=0
drop_caches() { sync; echo 3 > /proc/sys/vm/drop_caches; }
can_drop_caches() { [[ $(id -u) == 0 && -w /proc/sys/vm/drop_caches ]]; }
time_best() {
    local best="" t rc i tf out=$BENCH_DIR/out.txt
    tf=$(mktemp)
    ((COLD)) || { "$@" >"$out" 2>/dev/null || true; }     # untimed warm-up run
    for ((i = 0; i < RUNS; i++)); do
        ((COLD)) && drop_caches
        TIMEFORMAT=%R
        { time { "$@" >"$out" 2>/dev/null; echo $? > "$tf.rc"; }; } 2> "$tf"
        rc=$(<"$tf.rc")
        ((rc <= 1)) || { rm -f "$tf" "$tf.rc"; die "exit status $rc from: $*"; }
        t=$(<"$tf")
        if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    done
    rm -f "$tf" "$tf.rc" "$out"
    echo "$best"
}

# hits CMD...  ->  runs CMD once and prints how many lines it wrote.
# kestu-grep writes one line per hit; grep and rg are counted with -o, which
# also gives one line per hit, so the counts compare.
hits() {
    local n rc tf
    tf=$(mktemp)
    n=$( { "$@" 2>/dev/null; echo $? > "$tf"; } | wc -l)
    rc=$(<"$tf")
    rm -f "$tf"
    ((rc <= 1)) || die "exit status $rc from: $*"
    echo "$n"
}

RESULTS=()

# bench_case NAME DIR KESTU_ARGS... -- GREP_ARGS... -- RG_ARGS...
#   Times `kestu-grep KESTU_ARGS DIR`, `grep GREP_ARGS DIR` (C locale, so
#   grep reads bytes and never treats a Shift-JIS file as binary) and
#   `rg RG_ARGS DIR`.  Each argument list must include the pattern.
bench_case() {
    local name=$1 dir=$2; shift 2
    local -a kargs=() gargs=() rargs=()
    while (($#)) && [[ $1 != -- ]]; do kargs+=("$1"); shift; done
    (($#)) && shift
    while (($#)) && [[ $1 != -- ]]; do gargs+=("$1"); shift; done
    (($#)) && shift
    rargs=("$@")

    local bytes
    bytes=$(du -sb "$dir" | cut -f1)
    local -a tools=()
    if ((!baseline_only)); then tools+=(kestu); fi
    tools+=(grep rg)
    local tool h t
    local -A secs=()
    for tool in "${tools[@]}"; do
        local -a cmd count
        case $tool in
            kestu) cmd=("$KESTU" "${kargs[@]}" "$dir"); count=("${cmd[@]}") ;;
            grep)  cmd=(env LC_ALL=C grep "${gargs[@]}" "$dir")
                   count=(env LC_ALL=C grep -o "${gargs[@]}" "$dir") ;;
            rg)    cmd=(rg "${rargs[@]}" "$dir"); count=(rg -o "${rargs[@]}" "$dir") ;;
        esac
        h=$(hits "${count[@]}")
        t=$(time_best "${cmd[@]}")
        secs[$tool]=$t
        RESULTS+=("$name|$tool|$t|$bytes|$h")
        log "$name $tool: ${t}s, $h hits"
    done
    # ratios go on the kestu row
    if ((!baseline_only)); then
        local last=$(( ${#RESULTS[@]} - 3 ))
        RESULTS[last]+="|$(ratio "${secs[kestu]}" "${secs[grep]}")|$(ratio "${secs[kestu]}" "${secs[rg]}")"
    fi
}

# rg takes only UTF-8 patterns; raw bytes of another encoding go in as a
# byte-mode regular expression: (?-u:\xHH\xHH...).
rg_bytes() {
    printf '(?-u:%s)' "$(printf '%s' "$1" | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/\([0-9a-f][0-9a-f]\)/\\x\1/g; s/ //g')"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

print_table() {
    local out=$BENCH_DIR/last-results.tsv
    printf '\n%-24s %-6s %9s %9s %10s %11s %9s\n' case tool seconds MB/s hits kestu/grep kestu/rg
    printf '%s\n' "--------------------------------------------------------------------------------------"
    printf 'case\ttool\tseconds\tmb_per_s\thits\tkestu_over_grep\tkestu_over_rg\n' > "$out"
    local r name tool t bytes h rg rr mbs
    for r in "${RESULTS[@]}"; do
        IFS='|' read -r name tool t bytes h rg rr <<<"$r"
        mbs=$(awk -v b="$bytes" -v t="$t" 'BEGIN { if (t > 0) printf "%.0f", b / 1e6 / t; else print "-" }')
        printf '%-24s %-6s %9s %9s %10s %11s %9s\n' "$name" "$tool" "$t" "$mbs" "$h" "${rg:-}" "${rr:-}"
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$tool" "$t" "$mbs" "$h" "${rg:-}" "${rr:-}" >> "$out"
    done
    echo
    echo "seconds: best of $RUNS runs after one warm-up; MB/s: tree bytes / seconds;"
    echo "ratios: kestu time / other time (below 1 = kestu faster); hits: kestu lines, grep -o / rg -o lines."
    echo "grep runs with LC_ALL=C, rg with -uuu (all files); in 'all' cases grep and rg get the UTF-8"
    echo "form of Japanese words and so miss the other encodings.  Results also in $out"
}

# seconds_of NAME TOOL  ->  the time recorded for that row.
seconds_of() {
    local r name tool t rest
    for r in "${RESULTS[@]}"; do
        IFS='|' read -r name tool t rest <<<"$r"
        [[ $name == "$1" && $tool == "$2" ]] && { echo "$t"; return; }
    done
    echo ""
}
bytes_of() {
    local r name tool t bytes rest
    for r in "${RESULTS[@]}"; do
        IFS='|' read -r name tool t bytes rest <<<"$r"
        [[ $name == "$1" ]] && { echo "$bytes"; return; }
    done
    echo 0
}

# The one-thread limit: mmap + memchr over every file of the tree.
limit_row() {
    local limit=$KESTU_BIN_DIR/kestu-scan-limit bytes t
    [[ -x $limit ]] || { log "$limit missing (make build): no limit row"; return; }
    bytes=$(du -sb "$TREE" | cut -f1)
    t=$(time_best "$limit" "$TREE")
    RESULTS+=("scan limit all|limit|$t|$bytes|0")
    log "scan limit: ${t}s"
}

# Peak resident memory of kestu-grep (KiB) over the tree and the huge files.
MEMORY=()
peak_kib() {
    local tf rc
    tf=$(mktemp)
    /usr/bin/time -f %M -o "$tf" "$@" > /dev/null 2>&1 || true
    tail -1 "$tf"
    rm -f "$tf"
}
measure_memory() {
    [[ -x /usr/bin/time ]] || { log "/usr/bin/time missing (apt-get install time): no memory rows"; return; }
    local args label kib
    for args in "-b $COMMON_JA $TREE" "-b -i RETURN $TREE" "-b -r [0-9]+年 $TREE" \
                "-b $RARE_JA $HUGE/utf8" "-b -i $RARE_ASCII $HUGE/utf8" \
                "-b $RARE_JA $HUGE/sjis" "-b -i $RARE_ASCII $HUGE/sjis" "-b -r [0-9]+年 $HUGE/sjis"; do
        label=${args#-b }
        label=${label//$BENCH_DIR\//}
        # shellcheck disable=SC2086  # the words are meant to split
        kib=$(peak_kib "$KESTU" $args)
        MEMORY+=("$label|$kib")
        log "memory $label: $kib KiB"
    done
}

# The window: a search of many hits against kestu-grep on the same tree,
# memory per hit, memory after the next small search, and cancel latency
# inside a huge file.
WINDOW=()
measure_window() {
    local wb=$KESTU_BIN_DIR/kestu-window-bench
    [[ -x $wb ]] || { log "$wb missing: no window rows"; return; }
    local dir=$BENCH_DIR/hits/h7000000
    bench/window.sh --make-tree 7000000 >&2
    local out cli
    out=$(QT_QPA_PLATFORM=offscreen "$wb" 検索 "$dir")
    log "window: $out"
    cli=$(time_best "$KESTU" -b 検索 "$dir")
    WINDOW+=("$out" "$cli")
    local cancel
    cancel=$(QT_QPA_PLATFORM=offscreen "$wb" --cancel-after 300 "$RARE_JA" "$HUGE/utf8")
    log "window cancel in a huge file: $cancel"
    WINDOW+=("$cancel")
}

# met VALUE OP LIMIT -> "met" or "NOT met"
met() { awk -v a="$1" -v op="$2" -v b="$3" 'BEGIN {
    if (a == "" || a == "-") { print "not measured"; exit }
    ok = (op == "<=") ? (a <= b) : (a >= b); print ok ? "met" : "NOT met" }'; }
mbs() { awk -v b="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.0f", b / 1e6 / t; else print "-" }'; }

print_targets() {
    local k g r b kmbs
    echo
    echo "Targets"
    echo "-------"
    k=$(seconds_of "common-ja all" kestu); b=$(bytes_of "common-ja all"); kmbs=$(mbs "$b" "$k")
    printf '1. common-ja over the whole tree, every hit printed, %s MB/s (>= 1000): %s\n' "$kmbs" "$(met "$kmbs" '>=' 1000)"
    k=$(seconds_of "rare-ja sjis+ascii" kestu); g=$(seconds_of "rare-ja sjis+ascii" grep)
    r=$(ratio "$k" "$g")
    printf '2. rare-ja over Shift-JIS+ASCII, kestu/grep on CP932 bytes %s (<= 1.2): %s\n' "$r" "$(met "$r" '<=' 1.2)"
    k=$(seconds_of "rare-ja all" kestu); b=$(bytes_of "rare-ja all"); kmbs=$(mbs "$b" "$k")
    printf '3. rare-ja over the whole tree %s MB/s (>= 3000): %s\n' "$kmbs" "$(met "$kmbs" '>=' 3000)"
    k=$(seconds_of "rare-ja all cold" kestu); g=$(seconds_of "rare-ja all cold" rg)
    if [[ -n $k ]]; then
        r=$(ratio "$k" "$g")
        printf '4. rare-ja over the whole tree, cold cache, kestu/rg %s (<= 1.2): %s; kestu/grep %s\n' \
            "$r" "$(met "$r" '<=' 1.2)" "$(ratio "$k" "$(seconds_of "rare-ja all cold" grep)")"
    else
        echo "4. cold cache: not measured (needs root to drop the page cache)"
    fi
    if ((${#WINDOW[@]} >= 2)); then
        local w=${WINDOW[0]} wms rows per back first wr
        wms=$(sed -n 's/.*search+list \([0-9]*\) ms.*/\1/p' <<<"$w")
        rows=$(sed -n 's/^rows \([0-9]*\).*/\1/p' <<<"$w")
        per=$(sed -n 's/.*, \([0-9]*\) bytes per hit.*/\1/p' <<<"$w")
        back=$(sed -n 's/.*after the next search \([0-9]*\) MiB.*/\1/p' <<<"$w")
        first=$(sed -n 's/.*; \([0-9]*\) MiB before the first.*/\1/p' <<<"$w")
        wr=$(awk -v w="$wms" -v c="${WINDOW[1]}" 'BEGIN { if (c > 0) printf "%.2f", w / 1000 / c; else print "-" }')
        printf '5. window %s rows: %s ms, window/kestu-grep %s (<= 1.0): %s; %s bytes per hit;\n' \
            "$rows" "$wms" "$wr" "$(met "$wr" '<=' 1.0)" "$per"
        printf '   after the next small search %s MiB resident, %s MiB before the first (<= 50 MiB more): %s\n' \
            "${back:--}" "${first:--}" "$(met "$(( ${back:-0} - ${first:-0} ))" '<=' 50)"
    else
        echo "5. window: not measured (kestu-window-bench missing or --no-window)"
    fi
    local m label kib peak=0
    for m in "${MEMORY[@]}"; do
        IFS='|' read -r label kib <<<"$m"
        printf '   peak resident %7s MiB  kestu-grep %s\n' "$((kib / 1024))" "$label"
        ((kib > peak)) && peak=$kib
    done
    local cancel_ms=""
    if ((${#WINDOW[@]} >= 3)); then
        cancel_ms=$(sed -n 's/.*: \([0-9]*\) ms until idle.*/\1/p' <<<"${WINDOW[2]}")
    fi
    printf '6. peak resident %s MiB (< 100): %s; cancel inside the huge file %s ms (<= 100): %s\n' \
        "$((peak / 1024))" "$(met "$((peak / 1024))" '<=' 99)" "${cancel_ms:--}" "$(met "${cancel_ms:--}" '<=' 100)"
    echo "   (nothing slower than the last round: compare the table with the README's)"
    local off on
    off=$(seconds_of "rare-ja all" kestu); on=$(seconds_of "rare-ja all -WK" kestu)
    if [[ -n $on ]]; then
        r=$(ratio "$on" "$off")
        printf '7. notation folding on/off, rare-ja %s (<= 2.0): %s' "$r" "$(met "$r" '<=' 2.0)"
        off=$(seconds_of "common-ja all" kestu); on=$(seconds_of "common-ja all -WK" kestu)
        r=$(ratio "$on" "$off")
        printf '; common-ja %s (<= 3.0): %s\n' "$r" "$(met "$r" '<=' 3.0)"
    fi
    local z zr tr pr
    z=$(seconds_of "rare-ja sjis.zip -z" kestu)
    if [[ -n $z ]]; then
        zr=$(ratio "$z" "$(seconds_of "rare-ja sjis.zip -z" grep)")
        tr=$(ratio "$(seconds_of "rare-ja sjis.tar.gz -z" kestu)" "$(seconds_of "rare-ja sjis.tar.gz -z" grep)")
        pr=$(ratio "$(seconds_of "rare-ja all -z" kestu)" "$(seconds_of "rare-ja all" kestu)")
        printf '8. archives: -z over sjis.zip / unzip -p | grep %s (<= 1.5): %s; over sjis.tar.gz / tar -xzOf | grep %s (<= 1.5): %s;\n' \
            "$zr" "$(met "$zr" '<=' 1.5)" "$tr" "$(met "$tr" '<=' 1.5)"
        printf '   plain tree with -z / without %s (<= 1.05): %s\n' "$pr" "$(met "$pr" '<=' 1.05)"
    fi
}

# ---------------------------------------------------------------------------
main() {
    ensure_tools
    if ((regen)) || ! corpus_ok; then build_corpus; else log "reusing corpus in $BENCH_DIR"; fi
    echo "corpus: $TREE, $(stamp_get files) files, $(stamp_get bytes) bytes" \
         "(Shift-JIS+ASCII subtree: $(stamp_get bytes.sjis) bytes)"
    ((corpus_only)) && return 0

    if ((!baseline_only)); then
        if [[ ! -x $KESTU && -z ${KESTU_GREP:-} ]]; then
            log "$KESTU not found; running make build"
            make build >&2 || die "make build failed; cannot time kestu-grep (use --baseline-only to time grep and rg alone)"
        fi
        [[ -x $KESTU ]] || die "kestu-grep not found at $KESTU (build it with make build, set KESTU_GREP, or use --baseline-only)"
        KESTU=$(realpath "$KESTU")
    fi

    local sj=$TREE/sjis all=$TREE
    local RE_CLASS='[A-Z_]{4,}_MAX\b' RE_YEAR='[0-9]+年'
    local rare_ja_sj common_ja_sj
    rare_ja_sj=$(printf '%s' "$RARE_JA" | iconv -f UTF-8 -t CP932)
    common_ja_sj=$(printf '%s' "$COMMON_JA" | iconv -f UTF-8 -t CP932)
    local rare_ja_sj_rg common_ja_sj_rg
    rare_ja_sj_rg=$(rg_bytes "$rare_ja_sj")
    common_ja_sj_rg=$(rg_bytes "$common_ja_sj")

    # Literal searches.  grep and rg cannot decode Shift-JIS or EUC-JP: in
    # the Shift-JIS subtree they get the word as CP932 bytes (rg as a
    # byte-mode pattern, since it refuses non-UTF-8 text), in the whole tree
    # as UTF-8, so they find fewer lines there; the point is throughput.
    bench_case "rare-ascii sjis+ascii" "$sj"  -b "$RARE_ASCII"   -- -rF "$RARE_ASCII"   -- -uuu -F "$RARE_ASCII"
    bench_case "rare-ascii all"        "$all" -b "$RARE_ASCII"   -- -rF "$RARE_ASCII"   -- -uuu -F "$RARE_ASCII"
    bench_case "rare-ja sjis+ascii"    "$sj"  -b "$RARE_JA"      -- -rF "$rare_ja_sj"   -- -uuu "$rare_ja_sj_rg"
    bench_case "rare-ja all"           "$all" -b "$RARE_JA"      -- -rF "$RARE_JA"      -- -uuu -F "$RARE_JA"
    bench_case "common-ja sjis+ascii"  "$sj"  -b "$COMMON_JA"    -- -rF "$common_ja_sj" -- -uuu "$common_ja_sj_rg"
    bench_case "common-ja all"         "$all" -b "$COMMON_JA"    -- -rF "$COMMON_JA"    -- -uuu -F "$COMMON_JA"
    bench_case "common-ascii sjis+ascii" "$sj" -b "$COMMON_ASCII" -- -rF "$COMMON_ASCII" -- -uuu -F "$COMMON_ASCII"
    bench_case "common-ascii all"      "$all" -b "$COMMON_ASCII" -- -rF "$COMMON_ASCII" -- -uuu -F "$COMMON_ASCII"

    # Regular expressions: a literal-like pattern and a class with a
    # quantifier; grep gets -P (Perl syntax, as kestu's library uses).
    bench_case "re-literal sjis+ascii" "$sj"  -b -r "$RARE_ASCII" -- -rP "$RARE_ASCII" -- -uuu "$RARE_ASCII"
    bench_case "re-class sjis+ascii"   "$sj"  -b -r "$RE_CLASS"   -- -rP "$RE_CLASS"   -- -uuu "$RE_CLASS"
    bench_case "re-class all"          "$all" -b -r "$RE_CLASS"   -- -rP "$RE_CLASS"   -- -uuu "$RE_CLASS"
    bench_case "re-year all"           "$all" -b -r "$RE_YEAR"    -- -rE "$RE_YEAR"    -- -uuu "$RE_YEAR"

    # Notation folding (full-width/half-width and hiragana/katakana alike):
    # the same words with both options, to be set against the rows above.
    if ((!baseline_only)) && "$KESTU" --help 2>&1 | grep -q -- '--ignore-width'; then
        bench_case "rare-ja all -WK"   "$all" -b -W -K "$RARE_JA"   -- -rF "$RARE_JA"   -- -uuu -F "$RARE_JA"
        bench_case "common-ja all -WK" "$all" -b -W -K "$COMMON_JA" -- -rF "$COMMON_JA" -- -uuu -F "$COMMON_JA"
    fi

    # Archives: the Shift-JIS folder packed, searched with -z, against the
    # same unpacked by unzip or tar into GNU grep; and a tree of plain
    # files, where -z must cost next to nothing.
    if ((!baseline_only)) && "$KESTU" --help 2>&1 | grep -q -- '--search-archives'; then
        ensure_packed
        pipe_case "rare-ja sjis.zip -z" "$BENCH_DIR/packed/sjis.zip" \
            "unzip -p '$BENCH_DIR/packed/sjis.zip' | LC_ALL=C grep -aF '$rare_ja_sj'" -z -b "$RARE_JA"
        pipe_case "rare-ja sjis.tar.gz -z" "$BENCH_DIR/packed/sjis.tar.gz" \
            "tar -xzOf '$BENCH_DIR/packed/sjis.tar.gz' | LC_ALL=C grep -aF '$rare_ja_sj'" -z -b "$RARE_JA"
        bench_case "rare-ja all -z" "$all" -b -z "$RARE_JA" -- -rF "$RARE_JA" -- -uuu -F "$RARE_JA"
    fi

    # One worker against as many as there are cores.
    if ((!baseline_only)) && "$KESTU" --help 2>&1 | grep -q -- '-j'; then
        bench_case "rare-ja all -j1"       "$all" -b -j 1 "$RARE_JA" -- -rF "$RARE_JA" -- -uuu -F "$RARE_JA"
    fi

    # A cold disk: the page cache dropped before every run (root only).
    if can_drop_caches; then
        COLD=1
        bench_case "rare-ja all cold"  "$all" -b "$RARE_JA"      -- -rF "$RARE_JA"      -- -uuu -F "$RARE_JA"
        COLD=0
    else
        log "not root (or /proc/sys/vm/drop_caches not writable): no cold-cache row"
    fi

    limit_row
    print_table
    if ((!baseline_only)); then
        measure_memory
        ((window)) && measure_window
        print_targets
    fi
}

main
