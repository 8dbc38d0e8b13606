# SPDX-License-Identifier: MIT
# Timing helpers the benchmark scripts source. The script sets $runs and
# $work (a folder for time.txt), and may redefine before_run, which runs
# before every measured run (to remove the last run's output).

before_run() { :; }

# best CMD...: the best wall time of $runs runs, in seconds.
best() {
    local b=999999 t
    for _ in $(seq "$runs"); do
        before_run
        /usr/bin/time -f %e -o "$work/time.txt" "$@" >/dev/null 2>&1
        t=$(tail -n 1 "$work/time.txt")
        b=$(echo "$t $b" | awk '{print ($1 < $2) ? $1 : $2}')
    done
    echo "$b"
}

# peak CMD...: peak resident memory in MB.
peak() {
    before_run
    /usr/bin/time -f %M -o "$work/time.txt" "$@" >/dev/null 2>&1
    tail -n 1 "$work/time.txt" | awk '{printf "%.0f", $1 / 1024}'
}

# ratio A B: A / B with two decimals.
ratio() { echo "$1 $2" | awk '{printf "%.2f", $1 / $2}'; }
