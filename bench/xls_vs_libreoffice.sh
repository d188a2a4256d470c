#!/usr/bin/env bash
# Excel 97 workbooks of 8 channels by 65,000 items: our table layer (bench_xls, write
# and read) beside LibreOffice's headless conversion of the same data (CSV -> xls and
# xls -> CSV). Usage: bench/xls_vs_libreoffice.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/bench_xls" --benchmark_format=console | tee "$work/ours.txt"

command -v soffice >/dev/null || { echo "soffice not found: install libreoffice-calc"; exit 0; }
/usr/bin/python3 - "$work/data.csv" <<'PY'
import math, sys
with open(sys.argv[1], "w") as f:
    f.write(",".join("Ch%d(V)" % (c + 1) for c in range(8)) + "\n")
    for r in range(65000):
        f.write(",".join(repr(math.sin(0.001 * r * (c + 1)) * 1000.0 + c) for c in range(8)) + "\n")
PY
profile="-env:UserInstallation=file://$work/profile"
soffice "$profile" --headless --terminate_after_init >/dev/null 2>&1 || true   # first start makes the profile
start=$(date +%s.%N)
soffice "$profile" --headless --convert-to 'xls:MS Excel 97' --outdir "$work/xls" "$work/data.csv" >/dev/null 2>&1
mid=$(date +%s.%N)
soffice "$profile" --headless --convert-to csv --outdir "$work/back" "$work/xls/data.xls" >/dev/null 2>&1
end=$(date +%s.%N)
lo_write=$(echo "($mid - $start) * 1000" | bc -l)
lo_read=$(echo "($end - $mid) * 1000" | bc -l)
ours_write=$(awk '/BM_WriteBiff8/ {print $2}' "$work/ours.txt")
ours_read=$(awk '/BM_ReadBiff8/ {print $2}' "$work/ours.txt")
printf '\n%-28s %12s %12s\n' "8 x 65,000, Excel 97" "write (ms)" "read (ms)"
printf '%-28s %12.0f %12.0f\n' "toolbox table layer" "$ours_write" "$ours_read"
printf '%-28s %12.0f %12.0f\n' "LibreOffice headless" "$lo_write" "$lo_read"
printf '%-28s %11.1fx %11.1fx\n' "speed-up" "$(echo "$lo_write / $ours_write" | bc -l)" "$(echo "$lo_read / $ours_read" | bc -l)"
