"""Writes read back, DataFrames, failures with the library's messages, no dialogs."""
import subprocess
import threading

import numpy as np
import pytest

import toolbox
from conftest import SOURCE, tbx_program

TIME = np.linspace(0.0, 1e-3, 101)
WAVE = np.sin(TIME * 2e4) * 1e3


@pytest.mark.parametrize("name, format, exact", [
    ("out.csv", None, False), ("out.txt", None, False), ("out.mdx", 2, True), ("out.mdk", 0, False),
    ("out.xls", None, True), ("out.xls", 6, True), ("out.mdb", None, True), ("out.cfg", 14, False),
    ("out.cfg", 13, False),
])
def test_write_then_read_round_trip(tmp_path, name, format, exact):
    path = tmp_path / name
    toolbox.write(path, {"t": TIME, "u": WAVE}, format=format, units={"t": "s", "u": "V"})
    record = toolbox.read(path)
    if name.endswith(".cfg"):  # channel 0 is the record's time, analog names say P or S
        assert record.names[:2] == ["Time", "u(P)"] and record.units[:2] == ["s", "V"]
        u = record["u(P)"].values
    else:  # a characteristic header is read lower-cased
        assert record.names[:2] == ["t", "u"] and [u.lower() for u in record.units[:2]] == ["s", "v"]
        u = record["u"].values
    if exact:
        np.testing.assert_array_equal(u, WAVE)
    else:  # text keeps 15 digits; COMTRADE scales samples into integers
        np.testing.assert_allclose(u, WAVE, rtol=1e-4, atol=1e-3 * np.abs(WAVE).max())
    np.testing.assert_allclose(record[0].values, TIME, rtol=1e-6, atol=1e-12)


def test_text_symbols_are_kept(tmp_path):
    path = tmp_path / "german.txt"
    toolbox.write(path, {"a": [1.5, 2.25], "b": [3.0, 4.0]}, separator="\t", decimal=",")
    assert "1,5" in path.read_text()
    record = toolbox.read(path)
    assert (record.separator, record.decimal) == ("\t", ",")
    np.testing.assert_array_equal(record["a"].values, [1.5, 2.25])


def test_dataframe_round_trip(tmp_path):
    pandas = pytest.importorskip("pandas")
    frame = pandas.DataFrame({"time [s]": TIME, "Vout [V]": WAVE, "I [A]": WAVE / 1e3})
    toolbox.write(tmp_path / "frame.xls", frame)
    back = toolbox.read(tmp_path / "frame.xls").to_pandas()
    assert list(back.columns) == list(frame.columns)
    pandas.testing.assert_frame_equal(back, frame)


def test_record_round_trip_keeps_text_columns(tmp_path):
    path = tmp_path / "parts.mdb"
    toolbox.write(path, {"part": np.array(["R1", "C2", "L3"], dtype=object), "value": [1e3, 1e-6, 1e-3]})
    record = toolbox.read(path)
    assert list(record["part"].values) == ["R1", "C2", "L3"]
    toolbox.write(tmp_path / "copy.mdb", record)
    assert list(toolbox.read(tmp_path / "copy.mdb")["part"].values) == ["R1", "C2", "L3"]


def test_unequal_channels_are_refused(tmp_path):
    with pytest.raises(ValueError):
        toolbox.write(tmp_path / "x.csv", {"a": [1, 2], "b": [1]})


def test_missing_file_raises_the_librarys_message(tmp_path):
    path = tmp_path / "missing.csv"
    with pytest.raises(toolbox.ToolboxError) as error:
        toolbox.read(path)
    assert error.value.message == f"The file  >>{path}<<  couldn't be opened!"
    assert error.value.error_class == toolbox.ToolboxError.FILE


@pytest.mark.parametrize("name, content", [
    ("broken.cfg", b"station,1999\n2,1A,1D\n"),
    ("broken.mdx", b"typ:=Q\nend:=\n"),
    ("broken.xls", b"\xd0\xcf\x11\xe0 not a workbook"),
    ("broken.mdb", b"\x00\x01\x00\x00Standard Jet DB\x00" + bytes(100)),
    ("broken.raw", b"Title: x\nNo. Variables: 99999999999\n"),
])
def test_damaged_files_raise_the_message_tbx_prints(tmp_path, name, content):
    path = tmp_path / name
    path.write_bytes(content)
    with pytest.raises(toolbox.ToolboxError) as error:
        toolbox.read(path)
    assert error.value.error_class in (3, 4, 5, 6)
    tbx = subprocess.run([tbx_program(), "info", str(path)], capture_output=True, text=True)
    assert tbx.returncode == 1
    assert tbx.stderr.splitlines()[-1] == "tbx info: " + error.value.message


def test_write_failure_raises(tmp_path):
    with pytest.raises(toolbox.ToolboxError) as error:
        toolbox.write(tmp_path / "no-such-dir" / "x.mdx", {"a": [1.0]})
    assert error.value.message


def test_values_are_the_readers_own_arrays():
    record = toolbox.read(SOURCE / "examples" / "rc_step.csv")
    values = record["Vout"].values
    assert values.flags.owndata and values.flags.c_contiguous and values.dtype == np.float64


def test_reads_run_in_parallel_threads():
    path = SOURCE / "examples" / "rc_step.csv"
    results = []
    threads = [threading.Thread(target=lambda: results.append(toolbox.read(path)["Vout"].values.sum()))
               for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert len(set(results)) == 1 and len(results) == 4


def test_a_question_the_call_does_not_answer_raises():
    # Without a file name the engine would ask for one in a file dialog.
    with pytest.raises(toolbox.ToolboxError) as error:
        toolbox.read("")
    assert error.value.error_class == toolbox.ToolboxError.CANCELLED
    assert "file open dialog" in error.value.message and error.value.message.endswith("No file name.")
