#!/usr/bin/python3
"""Delimited text: the exchange engine beside pandas on the same file.

Runs bench_exchange_csv (1,000,000 rows x 8 channels of doubles), then pandas'
read_csv and to_csv on the file it wrote, in the same run, and prints the ratios.
Times are CPU seconds of the process (wall seconds are printed too): on a shared
machine they are the fairer measure of the work each side does.

    /usr/bin/python3 bench/exchange_csv_compare.py build/bench/bench_exchange_csv
"""
import json
import os
import subprocess
import sys
import tempfile
import time


def best_of(runs, action):
    best_cpu, best_wall = float("inf"), float("inf")
    for _ in range(runs):
        cpu0, wall0 = time.process_time(), time.perf_counter()
        action()
        best_cpu = min(best_cpu, time.process_time() - cpu0)
        best_wall = min(best_wall, time.perf_counter() - wall0)
    return best_cpu, best_wall


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    program = sys.argv[1]
    import pandas

    workdir = tempfile.mkdtemp(prefix="tbx-bench-")
    path = os.path.join(workdir, "table.csv")
    out = subprocess.run([program, "--file", path, "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    ours = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "min" or (b.get("aggregate_name") is None and b["name"] not in ours):
            key = "read" if "Read" in b["name"] else "write"
            scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[b["time_unit"]]
            ours[key] = (b["cpu_time"] * scale, b["real_time"] * scale)
    if "read" not in ours or "write" not in ours:  # older libbenchmark: no "min" aggregate
        for b in json.loads(out)["benchmarks"]:
            if b.get("aggregate_name") == "mean":
                key = "read" if "Read" in b["name"] else "write"
                scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[b["time_unit"]]
                ours[key] = (b["cpu_time"] * scale, b["real_time"] * scale)
    memory = json.loads(subprocess.run([program, "--peak-memory", "--file", path], check=True,
                                       capture_output=True, text=True).stdout)

    frame = None

    def read():
        nonlocal frame
        frame = pandas.read_csv(path)

    pandas_read = best_of(3, read)
    pandas_write = best_of(3, lambda: frame.to_csv(os.path.join(workdir, "pandas.csv"), index=False))
    shape = frame.shape

    print(f"file: {os.path.getsize(path) / 1e6:.1f} MB, {shape[0]} rows x {shape[1]} channels")
    print(f"{'':8} {'engine cpu/wall s':>20} {'pandas cpu/wall s':>20} {'ratio (cpu)':>12}")
    for name, theirs in (("read", pandas_read), ("write", pandas_write)):
        mine = ours[name]
        print(f"{name:8} {mine[0]:9.3f} /{mine[1]:7.3f}  {theirs[0]:9.3f} /{theirs[1]:7.3f}  "
              f"{theirs[0] / mine[0]:10.2f}x")
    print(f"peak memory of a read: {memory['read_peak_growth_mib']:.1f} MiB for "
          f"{memory['storage_mib']:.1f} MiB of channel storage ({memory['ratio']:.2f}x)")
    for name in os.listdir(workdir):
        os.remove(os.path.join(workdir, name))
    os.rmdir(workdir)


if __name__ == "__main__":
    main()
