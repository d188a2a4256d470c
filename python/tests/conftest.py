"""Shared helpers of the module's tests: the repository, tbx, and reading tbx output."""
import csv
import os
import pathlib
import shutil
import subprocess

import numpy as np
import pytest

SOURCE = pathlib.Path(os.environ.get("TOOLBOX_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
SAMPLES = SOURCE / "tests" / "data" / "samples"


def tbx_program():
    program = os.environ.get("TOOLBOX_TBX") or shutil.which("tbx")
    if not program:
        pytest.skip("tbx is not available (set TOOLBOX_TBX)")
    return program


def tbx_convert(source, target, *extra):
    """What tbx convert gives for source: the titles and the columns of its CSV output."""
    subprocess.run([tbx_program(), "convert", str(source), str(target), "--out-separator", ";",
                    "--out-decimal", ".", *extra], check=True, capture_output=True)
    with open(target, newline="", encoding="utf-8", errors="replace") as f:
        rows = list(csv.reader(f, delimiter=";"))
    titles, data = rows[0], rows[1:]
    columns = [np.array([float(r[i]) for r in data]) for i in range(len(titles))]
    return titles, columns


@pytest.fixture
def tbx_csv(tmp_path):
    return lambda source, *extra: tbx_convert(source, tmp_path / "tbx.csv", *extra)
