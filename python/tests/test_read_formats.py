"""Every format read by the module equals what tbx convert gives for the same file."""
import subprocess

import numpy as np
import pytest

import toolbox
from conftest import SAMPLES, SOURCE

FILES = {
    "csv": SOURCE / "examples" / "rc_step.csv",
    "mdk pair": SOURCE / "tests" / "data" / "characteristic" / "pair.mdk",
    "mdx table": SOURCE / "tests" / "data" / "characteristic" / "grid_2x3x4.mdx",
    "xls biff8": SOURCE / "tests" / "data" / "xls" / "libreoffice_biff8.xls",
    "xls biff5": SOURCE / "tests" / "data" / "xls" / "gnumeric_biff5.xls",
    "comtrade binary": SAMPLES / "python-comtrade" / "sample_bin.cfg",
    "comtrade ascii cff": SAMPLES / "python-comtrade" / "sample_ascii.cff",
    "comtrade float32 cff": SAMPLES / "python-comtrade" / "sample_float32.cff",
    "comtrade upper case": SAMPLES / "ieeecomtrade" / "keating_1999.CFG",
    "spice listing": SAMPLES / "ngspice" / "ngspice_schmitt.out",
    "access": SAMPLES / "mdb-reader" / "V2003_numeric.mdb",
    "access with text": SAMPLES / "jackcess" / "test2V2000.mdb",
}


def assert_same_as_tbx(record, tbx):
    titles, columns = tbx
    assert len(record) == len(titles)
    for channel, title, column in zip(record, titles, columns):
        expected_title = f"{channel.name}({channel.unit})" if channel.unit else channel.name
        assert title == expected_title
        if channel.values.dtype == object:  # tbx reads text cells as numbers
            continue
        assert channel.values.dtype == np.float64
        # tbx writes 15 significant digits
        np.testing.assert_allclose(channel.values, column, rtol=1e-13, atol=1e-300)


@pytest.mark.parametrize("name", FILES)
def test_read_equals_tbx_convert(name, tbx_csv):
    record = toolbox.read(FILES[name])
    assert record.items == len(record.channels[0].values)
    assert_same_as_tbx(record, tbx_csv(FILES[name]))


def test_raw_and_recorder_files(tmp_path, tbx_csv):
    netlist = tmp_path / "rc.cir"
    netlist.write_text("rc\nV1 in 0 PULSE(0 1 0 1u 1u 1m 2m)\nR1 in out 1k\nC1 out 0 1u\n"
                       ".tran 10u 2m\n.end\n")
    try:
        subprocess.run(["ngspice", "-b", "-r", str(tmp_path / "rc.raw"), str(netlist)], check=True,
                       capture_output=True)
    except (OSError, subprocess.CalledProcessError):
        pytest.skip("ngspice cannot write a raw file here")
    raw = toolbox.read(tmp_path / "rc.raw")
    assert raw.family == "SPICE output (.out, .raw)" and raw.format == "SPICE raw"
    assert raw[0].unit == "s"
    assert_same_as_tbx(raw, tbx_csv(tmp_path / "rc.raw"))

    scope = tmp_path / "scope.dat"
    scope.write_text("5\r\n2e-6\r\n0\r\n0\r\n" + "".join(f"{i * 0.5}\r\n" for i in range(5)))
    recorder = toolbox.read(scope)
    assert recorder.family == "Recorder (.dat)"
    np.testing.assert_allclose(recorder[1].values, [0, 0.5, 1, 1.5, 2])
    assert_same_as_tbx(recorder, tbx_csv(scope))


def test_format_and_family_and_record_access():
    record = toolbox.read(FILES["comtrade binary"])
    assert (record.family, record.family_code) == ("COMTRADE", 7)
    assert record["Time"].unit == "s" and record[0] is record["Time"]
    with pytest.raises(KeyError):
        record["no such channel"]
    csv = toolbox.read(FILES["csv"])
    assert (csv.format, csv.separator, csv.decimal) == ("CSV", ";", ",")


def test_text_columns_are_object_arrays():
    record = toolbox.read(FILES["access with text"])
    text = [c for c in record if c.values.dtype == object]
    assert text and all(isinstance(v, str) for c in text for v in c.values)


def test_info_gives_names_units_and_count_without_values():
    record = toolbox.info(FILES["comtrade binary"])
    full = toolbox.read(FILES["comtrade binary"])
    assert record.names == full.names and record.units == full.units and record.items == full.items
    assert all(c.values is None for c in record)


def test_tables_are_listed_and_chosen_by_name(tbx_csv):
    workbook = SAMPLES / "poi" / "testEXCEL_5.xls"
    names = toolbox.tables(workbook)
    assert names == ["Feuil1", "Feuil2", "Feuil3"]
    assert toolbox.read(workbook).table == "Feuil1$"
    assert_same_as_tbx(toolbox.read(workbook, table="Feuil1"), tbx_csv(workbook, "--table", "Feuil1"))
    assert len(toolbox.read(workbook, table="Feuil2")) == 0  # an empty sheet
    with pytest.raises(toolbox.ToolboxError) as error:
        toolbox.read(FILES["access with text"], table="no such table")
    assert error.value.error_class == toolbox.ToolboxError.DATABASE
    assert "table" in error.value.message
