#!/usr/bin/env bash
# Access table of 100,000 records by 8 doubles, written by our Jet 4 writer: tbx convert
# to CSV beside the JavaScript reader mdb-reader doing the same (whole programs, best of
# five runs each, side by side), then the read step alone beside one fread of the file
# (bench_access, CPU times). mdb-reader is installed from the npm registry into
# $MDB_READER_DIR (default /tmp/toolbox-mdb-reader) when it is not there yet.
# Usage: bench/access_vs_mdb_reader.sh [BUILD_DIR]
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
peer=${MDB_READER_DIR:-/tmp/toolbox-mdb-reader}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_access" --write-file "$work/table.mdb"
echo "file: $(stat -c %s "$work/table.mdb") bytes, 100,000 records x 8 doubles"

if [ ! -d "$peer/node_modules/mdb-reader" ]; then
    command -v npm >/dev/null || { echo "npm not found: install nodejs and npm"; exit 1; }
    mkdir -p "$peer"
    npm install --prefix "$peer" --no-audit --no-fund mdb-reader >/dev/null
fi

# Milliseconds of the fastest of five runs of a command.
best_of_five() {
    local best=""
    for _ in 1 2 3 4 5; do
        local start end ms
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        ms=$(( (end - start) / 1000000 ))
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$best"
}

ours=$(best_of_five "$build/bin/tbx" convert "$work/table.mdb" "$work/ours.csv")
theirs=$(best_of_five node "$here/access_mdb_reader.mjs" "$work/table.mdb" Data "$work/theirs.csv" "$peer")
printf '\n%-34s %8s\n' "Access -> CSV, whole program" "ms"
printf '%-34s %8d\n' "tbx convert" "$ours"
printf '%-34s %8d\n' "mdb-reader (node)" "$theirs"
printf '%-34s %7.1fx\n' "speed-up" "$(echo "$theirs / $ours" | bc -l)"
if cmp -s "$work/ours.csv" "$work/theirs.csv"; then
    echo "both outputs are identical"
else
    echo "the outputs differ in their texts of numbers: $(diff <(tr , '\n' <"$work/ours.csv") \
<(tr , '\n' <"$work/theirs.csv") | grep -c '^<') values (shortest text vs 15 digits and more)"
fi

echo
"$build/bench/bench_access" --file "$work/table.mdb" --benchmark_filter='FreadWholeFile|ReadStep|ReadDataFileAlone' \
    --benchmark_min_time=1 | tee "$work/read.txt"
cpu_of() { awk -v name="$1" '$1 == name {print $4}' "$work/read.txt"; }
fread=$(cpu_of FreadWholeFile)
printf '\nCPU time / one fread of the file: ReadInfoFile + ReadDataFile %.1f, ReadDataFile alone %.1f\n' \
    "$(echo "$(cpu_of ReadStep) / $fread" | bc -l)" "$(echo "$(cpu_of ReadDataFileAlone) / $fread" | bc -l)"
