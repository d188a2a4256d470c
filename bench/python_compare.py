#!/usr/bin/python3
"""The Python module beside Python's own readers, side by side in one run.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_compare.py [--dir /tmp] [--quick]

- delimited text, 1,000,000 rows x 8 columns: toolbox.read against pandas.read_csv
  (C engine) into the same float64 columns (goal: at least 3 times faster);
- binary COMTRADE, a time and 32 analog channels x 1,000,000 samples: toolbox.read
  against the numpy limit, numpy.fromfile with the record's structured dtype plus the
  scaling a x + b into float64 arrays (goal: at most 1.5 times that);
- .xls, 8 columns x 65,000 rows: toolbox.read against xlrd (goal: 5 times faster);
- Access table 100,000 x 8 doubles: toolbox.read against pandas.read_csv over
  mdb-export's output (goal: 3 times faster);
- peak memory of a read (growth of the peak resident size of a fresh process) against
  the bytes of the arrays it returns (goal: at most 1.2).

Times are CPU seconds of this process and its children, best of a few runs (wall
seconds beside): on a shared machine they are the fairer measure. Exit status 1 when a
goal is missed.
"""
import argparse
import os
import resource
import subprocess
import sys
import time

import numpy as np

import toolbox


def cpu_seconds():
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return time.process_time() + children.ru_utime + children.ru_stime


def best_of(runs, action):
    best_cpu = best_wall = float("inf")
    for _ in range(runs):
        cpu0, wall0 = cpu_seconds(), time.perf_counter()
        action()
        best_cpu = min(best_cpu, cpu_seconds() - cpu0)
        best_wall = min(best_wall, time.perf_counter() - wall0)
    return best_cpu, best_wall


def report(name, ours, theirs, goal, faster):
    """faster: the goal is theirs/ours >= goal; else ours/theirs <= goal."""
    ratio = theirs[0] / ours[0] if faster else ours[0] / theirs[0]
    ok = ratio >= goal if faster else ratio <= goal
    what = "times faster" if faster else "times the limit"
    print(f"{name:34s} toolbox {ours[0]:7.3f} s cpu ({ours[1]:7.3f} wall)   peer {theirs[0]:7.3f} s cpu "
          f"({theirs[1]:7.3f} wall)   {ratio:5.2f} {what} (goal {'>=' if faster else '<='} {goal})  "
          f"{'ok' if ok else 'MISSED'}")
    return ok


def columns(rows, count, seed=1):
    rng = np.random.default_rng(seed)
    return {f"c{i}": rng.normal(0, 10 ** (i % 4), rows) for i in range(count)}


def bench_csv(folder, rows, runs):
    import pandas
    path = os.path.join(folder, "py_bench.csv")
    toolbox.write(path, columns(rows, 8), separator=",", decimal=".")
    ours = best_of(runs, lambda: toolbox.read(path, separator=",", decimal="."))
    theirs = best_of(runs, lambda: pandas.read_csv(path, engine="c", dtype=np.float64))
    return report(f"CSV {rows} x 8", ours, theirs, 3.0, True), path


def comtrade_numpy_limit(cfg_path):
    """numpy.fromfile with the record's dtype and a x + b, the .cfg read by hand."""
    with open(cfg_path, encoding="latin-1") as f:
        lines = [line.strip() for line in f]
    total, analog = lines[1].split(",")[0], int(lines[1].split(",")[1].rstrip("Aa"))
    scaling = [(float(l.split(",")[5]), float(l.split(",")[6])) for l in lines[2:2 + analog]]
    rest = lines[2 + analog + int(total) - analog:]
    timemult = float(rest[-1]) if rest[-1] else 1.0
    dtype = np.dtype([("n", "<u4"), ("t", "<u4")] + [(f"a{i}", "<i2") for i in range(analog)])
    data = np.fromfile(cfg_path[:-4] + ".dat", dtype=dtype)
    out = [data["t"] * (timemult * 1e-6)]
    for i, (a, b) in enumerate(scaling):
        out.append(data[f"a{i}"] * a + b)
    return out


def bench_comtrade(folder, samples, runs):
    base = os.path.join(folder, "py_bench_record")
    data = {"t": np.arange(samples) * 1e-4}
    data.update({f"a{i}": np.sin(np.arange(samples) * (i + 1) * 1e-3) * 100 for i in range(32)})
    toolbox.write(base, data, format=14)
    cfg = base + ".cfg"
    limit = comtrade_numpy_limit(cfg)
    record = toolbox.read(cfg)
    for ours, theirs in zip(record.channels[1:], limit[1:]):  # same values as the limit
        np.testing.assert_allclose(ours.values, theirs, rtol=1e-12, atol=1e-9)
    del record, limit
    ours = best_of(runs, lambda: toolbox.read(cfg))
    theirs = best_of(runs, lambda: comtrade_numpy_limit(cfg))
    return report(f"COMTRADE binary 1+32 x {samples}", ours, theirs, 1.5, False), cfg


def bench_xls(folder, rows, runs):
    import xlrd
    path = os.path.join(folder, "py_bench.xls")
    toolbox.write(path, columns(rows, 8), format=9)

    def with_xlrd():
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
        return [np.array(sheet.col_values(c, 1), dtype=np.float64) for c in range(sheet.ncols)]

    ours = best_of(runs, lambda: toolbox.read(path))
    theirs = best_of(runs, with_xlrd)
    return report(f".xls 8 x {rows}", ours, theirs, 5.0, True)


def bench_access(folder, rows, runs):
    import io
    import pandas
    path = os.path.join(folder, "py_bench.mdb")
    toolbox.write(path, columns(rows, 8), table="Data")

    def with_mdb_export():
        text = subprocess.run(["mdb-export", path, "Data"], check=True, capture_output=True).stdout
        return pandas.read_csv(io.BytesIO(text), engine="c", dtype=np.float64)

    ours = best_of(runs, lambda: toolbox.read(path, table="Data"))
    theirs = best_of(runs, with_mdb_export)
    return report(f"Access 100000 x 8" if rows == 100000 else f"Access {rows} x 8", ours, theirs, 3.0, True)


# The peak resident size (VmHWM) of a fresh process around one read. A process started
# from a large one inherits its ru_maxrss, so the peak is reset (clear_refs 5) first.
PEAK_PROBE = """
import sys, toolbox
def peak():
    with open("/proc/self/status") as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:")) * 1024
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")
before = peak()
record = toolbox.read(sys.argv[1])
print(peak() - before, sum(c.values.nbytes for c in record))
"""


def peak_memory(path):
    out = subprocess.run([sys.executable, "-c", PEAK_PROBE, path], check=True, capture_output=True, text=True)
    grown, returned = (int(v) for v in out.stdout.split())
    ratio = grown / returned
    ok = ratio <= 1.2
    print(f"peak memory of reading {os.path.basename(path):20s} {grown / 2**20:8.1f} MiB grown for "
          f"{returned / 2**20:8.1f} MiB of arrays: {ratio:4.2f} (goal <= 1.2)  {'ok' if ok else 'MISSED'}")
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dir", default="/tmp")
    parser.add_argument("--quick", action="store_true", help="a tenth of the sizes, one run")
    args = parser.parse_args()
    scale, runs = (10, 1) if args.quick else (1, 3)
    folder = os.path.join(args.dir, f"toolbox-python-bench-{os.getpid()}")
    os.makedirs(folder)
    try:
        ok, csv_path = bench_csv(folder, 1_000_000 // scale, runs)
        comtrade_ok, cfg = bench_comtrade(folder, 1_000_000 // scale, runs)
        ok &= comtrade_ok
        ok &= bench_xls(folder, 65_000 // scale, runs)
        ok &= bench_access(folder, 100_000 // scale, runs)
        ok &= peak_memory(csv_path)
        ok &= peak_memory(cfg)
    finally:
        for name in os.listdir(folder):
            os.unlink(os.path.join(folder, name))
        os.rmdir(folder)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
