#!/usr/bin/env python3
"""Side by side: the profile cache against Python's configparser on the same file of
100,000 entries in 1,000 sections (written by bench_profile_cache). Both load the file
and read every key once.

    bench/profile_peer.py [build/bench/bench_profile_cache]
"""
import configparser
import os
import subprocess
import sys
import time

bench = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "build", "bench", "bench_profile_cache")
result = subprocess.run([bench, "--benchmark_min_time=1", "--benchmark_format=console"],
                        check=True, capture_output=True, text=True)
print(result.stdout.strip())

path = os.path.join(os.environ.get("TMPDIR") or "/tmp", "toolbox-bench-profile.ini")
loads, reads = [], []
for _ in range(5):
    start = time.perf_counter()
    parser = configparser.RawConfigParser(interpolation=None)
    parser.optionxform = str  # keys stay case-sensitive, as in the profile cache
    parser.read(path)
    loaded = time.perf_counter()
    count = 0
    for section in parser.sections():
        for key in parser[section]:
            count += len(parser.get(section, key)) > 0
    done = time.perf_counter()
    loads.append(loaded - start)
    reads.append(done - loaded)
assert count == 100000, count
print(f"configparser load      {min(loads) * 1000:8.1f} ms")
print(f"configparser read all  {min(reads) * 1000:8.1f} ms ({min(reads) / count * 1e9:.0f} ns per key)")
