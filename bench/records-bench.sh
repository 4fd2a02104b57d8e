#!/usr/bin/env bash
# `slabcal history` over record folders a gauge should never hold but may: one record of 100 000 fields
# (1.4 MB), one of 16 MiB of '[', and 10 001 records. Prints the wall time, CPU time and peak resident
# memory of each run; asserts nothing.
# Usage: bench/records-bench.sh SLABCAL [WORK_FOLDER=./records-bench] [RUNS=3]
set -euo pipefail
slabcal=$(realpath "${1:?usage: records-bench.sh SLABCAL [WORK_FOLDER] [RUNS]}")
work=${2:-./records-bench}
runs=${3:-3}
rm -rf "$work"
mkdir -p "$work"
cd "$work"

{
    echo "height,signal"
    paste -d, <(printf '%s\n' 40 50 70 100 150 200 240 250 300 400 500 600 700 750 800) \
        <(printf '%s\n' 9895 6991 4140 1922 797 376 236 8566 5180 2343 1266 765 500 414 346)
} >points.csv
for case in fields brackets many; do
    "$slabcal" fit points.csv --write --root "$case" >/dev/null
done

{
    printf '{"formatVersion": 1'
    seq -f ', "k%06g": 0' 0 99999 | tr -d '\n'
    printf '}\n'
} >fields/NandFlash/Calibration/20000101T000000Z.json
head -c $((16 * 1024 * 1024)) /dev/zero | tr '\0' '[' >brackets/NandFlash/Calibration/20000101T000000Z.json
record=$(ls many/NandFlash/Calibration/*.json)
for ((i = 0; i < 10000; ++i)); do
    cp "$record" "many/NandFlash/Calibration/20010101T$(printf '%02d%02d%02d' $((i / 3600)) $((i / 60 % 60)) $((i % 60)))Z.json"
done

TIMEFORMAT="%R s wall, %U s user + %S s system"
for case in fields brackets many; do
    for ((run = 0; run < runs; ++run)); do
        if [ -x /usr/bin/time ]; then
            /usr/bin/time -f "$case: %e s wall, %U s user + %S s system, peak %M KiB" \
                "$slabcal" history --root "$case" >/dev/null
        else # no peak memory without GNU time (Debian's package `time`)
            echo -n "$case: "
            { time "$slabcal" history --root "$case" >/dev/null; } 2>&1
        fi
    done
done
