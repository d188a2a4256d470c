"""Engineering numbers, unit conversion and the materials catalogue."""
import numpy as np
import pytest

import toolbox


def test_format_and_parse_engineering_numbers():
    assert toolbox.format_eng(1234.5) == "1.2345k"
    assert toolbox.format_eng([0.00047, 0.0]) == ["470u", "0"]
    assert toolbox.format_eng(np.array([4.7e-3]), spaced=True, separator=",").tolist() == ["4,7 m"]
    assert toolbox.format_eng(1.0 / 3, 2) == "333.33m"
    np.testing.assert_array_equal(toolbox.parse_eng(["2k2", "1.5Meg", "x"]), [2000.0, 1.5e6, 0.0])
    assert toolbox.parse_eng("4,7 m", separator=",") == pytest.approx(0.0047)


def test_unit_conversion_is_vectorised_and_finds_the_quantity():
    np.testing.assert_allclose(toolbox.units.convert([4.7, 1], "kΩ", "Ω"), [4700.0, 1000.0])
    assert toolbox.units.convert(37, "degC", "degF", quantity="Temperature") == pytest.approx(98.6)
    with pytest.raises(ValueError, match="several quantities"):
        toolbox.units.convert(37, "°C", "°F")
    with pytest.raises(ValueError):
        toolbox.units.convert(1, "kΩ", "s")
    names = [q["name"] for q in toolbox.units.quantities()]
    assert "Resistance" in names
    assert toolbox.units.units("Resistance")[0][0] == "\\Ohm\\"


def test_materials_catalogue():
    materials = {m["name"]: m for m in toolbox.materials()}
    copper = materials["Copper"]["conductor"]
    assert copper["rho"][1] and float(copper["rho"][0]) > 0
