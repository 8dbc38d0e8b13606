#!/usr/bin/env bash
# Images larger than memory: each job timed beside cp of the same file in one
# run (sync included in both), inside a memory cgroup smaller than the image
# when the machine allows one (v2 or v1), else under --memory-limit. Checks
# sampled output pixels against the input and prints time ratios to cp and
# peak resident memory.
#
#   bench/large_images.sh [BUILD_DIR] [WORK_DIR]
#   FULL=1 adds the 6 GB copy (40000 x 50000) in a 2 GiB group; ONLY=REGEX runs
#   the jobs whose names match.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-large}
tool=$build/tools/velmora
make=$build/bench/make_large_bmp
check=$build/bench/bmp_sample_check
mkdir -p "$work"
cd "$work"

drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true; }

# cgroup_run LIMIT CMD...: runs CMD in a fresh memory group of LIMIT bytes.
cgroup_mode=none
if [ -w /sys/fs/cgroup/cgroup.subtree_control ] && grep -qw memory /sys/fs/cgroup/cgroup.controllers 2>/dev/null; then
    cgroup_mode=v2
elif [ -d /sys/fs/cgroup/memory ] && mkdir -p /sys/fs/cgroup/memory/velmora-bench 2>/dev/null; then
    cgroup_mode=v1
fi
cgroup_run() {
    local limit=$1; shift
    case $cgroup_mode in
    v2) local g=/sys/fs/cgroup/velmora-bench-$$; mkdir -p "$g"; echo "$limit" >"$g/memory.max"
        bash -c 'echo $$ >"$1/cgroup.procs"; shift; exec "$@"' _ "$g" "$@"; local rc=$?; rmdir "$g" 2>/dev/null || true; return $rc ;;
    v1) local g=/sys/fs/cgroup/memory/velmora-bench/$$; mkdir -p "$g"; echo "$limit" >"$g/memory.limit_in_bytes"
        bash -c 'echo $$ >"$1/cgroup.procs"; shift; exec "$@"' _ "$g" "$@"; local rc=$?; rmdir "$g" 2>/dev/null || true; return $rc ;;
    *) "$@" ;;
    esac
}

# seconds CMD...: wall time of CMD followed by sync.
seconds() {
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    sync
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

# least A B: the smaller of two times, A possibly empty.
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }

printf '| Job | limit | velmora s | cp s | ratio | peak resident | pixels |\n|---|---|---|---|---|---|---|\n'
# job NAME INPUT TRANSFORM LIMIT MODE [convert options...]: INPUT to out.bmp.
# OUT (default out.bmp) names another output, whose pixels are then checked
# by the read job that follows; REF (default INPUT) is the BMP the output's
# pixels are compared with, TOLERANCE how far each colour byte may differ,
# CP_OF (default INPUT) the file cp copies beside it.
job() {
    local name=$1 input=$2 transform=$3 limit=$4 mode=$5; shift 5
    local out=${OUT:-out.bmp} ref=${REF:-$input} cpof=${CP_OF:-$input}
    [[ $name =~ ${ONLY:-.} ]] || return 0
    local memopt=() run=()
    if [ "$mode" = cgroup ] && [ "$cgroup_mode" != none ]; then run=(cgroup_run "$limit"); fi
    if [ "$mode" = cgroup ] && [ "$cgroup_mode" = none ]; then memopt=(--memory-limit "$limit"); fi
    if [ "$mode" = option ]; then memopt=(--memory-limit "$limit"); fi
    # Jobs of a fraction of a second are taken best of REPEAT (default 5),
    # cp and velmora interleaved, so one stall of a shared disk decides less.
    local reps=1 tc= tv= t
    [ "$mode" = memory ] && reps=${REPEAT:-5}
    for ((i = 0; i < reps; i++)); do
        rm -f "$out" cp.bmp
        drop_caches
        t=$(seconds "${run[@]}" cp "$cpof" cp.bmp); tc=$(least "$tc" "$t")
        rm -f cp.bmp
        drop_caches
        t=$(seconds "${run[@]}" /usr/bin/time -f %M -o rss.txt "$tool" "${memopt[@]}" convert "$input" "$out" "$@")
        tv=$(least "$tv" "$t")
    done
    local rss; rss=$(tail -n 1 rss.txt | awk '{ printf "%.0f MiB", $1 / 1024 }')
    local ok="read back below"
    if [[ $out == *.bmp ]]; then
        ok=wrong; "$check" "$ref" "$out" "$transform" "${TOLERANCE:-0}" >/dev/null && ok=match
        rm -f "$out"
    fi
    local ratio; ratio=$(awk -v a="$tv" -v b="$tc" 'BEGIN { printf "%.2f", a / b }')
    printf '| %s | %s | %s | %s | %s x cp | %s | %s |\n' "$name" "${limit:-none} ($mode)" "$tv" "$tc" "$ratio" "$rss" "$ok"
}

# codec_jobs FORMAT INPUT LIMIT [TOLERANCE]: INPUT saved as FORMAT, then that
# file read back to BMP and compared with INPUT; both timed beside cp of
# INPUT (the pixels, uncompressed), since a compressed file copies in no time.
codec_jobs() {
    local fmt=$1 input=$2 limit=$3 tolerance=${4:-0}
    local size; size=$(du -m --apparent-size "$input" | awk '{ printf "%.1f GB", $1 / 1000 }')
    OUT=big.$fmt job "write $fmt $size" "$input" none "$limit" cgroup
    [ -f big.$fmt ] && REF=$input CP_OF=$input TOLERANCE=$tolerance job "read $fmt $size" big.$fmt none "$limit" cgroup
    rm -f big.$fmt
}

[ -f mid.bmp ] || "$make" 6000 4000 mid.bmp
[ -f big.bmp ] || "$make" 20000 20000 big.bmp
job "copy 72 MB" mid.bmp none "" memory
job "quarter turn 72 MB" mid.bmp right "" memory --rotate right
job "copy 1.2 GB" big.bmp none 512M cgroup
job "quarter turn 1.2 GB" big.bmp right 512M cgroup --rotate right
job "vertical flip 1.2 GB" big.bmp vflip 512M cgroup --flip vertical
job "horizontal flip 1.2 GB" big.bmp hflip 512M cgroup --flip horizontal
job "invert 1.2 GB" big.bmp invert 512M cgroup --invert
job "copy 1.2 GB" big.bmp none 256M option
# Every codec with an image larger than the group: 24-bit where the format
# takes it, else an 8-bit palette image of 1 GB (PCX, GIF and PNG save only
# 8 bits). JPEG is lossy: its samples may differ by up to half the range at
# the grid's sharp edges.
if [[ "write read" =~ ${ONLY:-.} || "tif jpg png gif pcx" =~ ${ONLY:-.} ]]; then
    [ -f big8.bmp ] || "$make" 32000 32000 big8.bmp 8
    codec_jobs tif big.bmp 512M
    codec_jobs jpg big.bmp 512M 128
    codec_jobs png big8.bmp 512M
    codec_jobs gif big8.bmp 512M
    codec_jobs pcx big8.bmp 512M
fi
if [ "${FULL:-0}" = 1 ]; then
    [ -f huge.bmp ] || "$make" 40000 50000 huge.bmp
    job "copy 6 GB" huge.bmp none 2G cgroup
fi
echo "cgroup: $cgroup_mode"
