"""Quantities and units of the library's unit catalogue, and conversion between units.

Units are written in the catalogue's notation ("k\\Ohm\\", "\\deg\\C") or in any form
the catalogue's lookup accepts ("kΩ", "kOhm", "°C", "degC", "µF").
"""

import numpy as _np

from . import _toolbox


def convert(values, from_unit, to_unit, quantity=None):
    """Converts values (a number, a sequence or an array) from one unit to another.

    The quantity is the one of the catalogue that has both units; where several have
    them ("°C" is a Temperature and a TemperatureDifference) quantity= chooses. Returns a float for a number, else a float64 array of the
    input's shape. Raises ValueError for units no quantity has, ToolboxError when the
    catalogue cannot convert.

    >>> convert(37, "°C", "°F", quantity="Temperature")
    98.6
    """
    scalar = _np.ndim(values) == 0
    result = _toolbox._convert(_np.asarray(values, dtype=_np.float64), from_unit, to_unit, quantity)
    return float(result.reshape(-1)[0]) if scalar else result


def quantities():
    """Every quantity of the catalogue: dicts with name, base_unit and main (the quantity
    a sub-quantity belongs to, None for a main quantity)."""
    return _toolbox._quantities()


def units(quantity):
    """The units of a quantity as (acronym, long name) pairs, its base unit first."""
    return _toolbox._units_of(quantity)


def materials():
    """The materials catalogue: dicts with name, conductor and insulator. Each group is
    None when the material lacks it, else a dict of property key ("spgc", "rho"...) to
    (value text, unit text) as the catalogue holds them."""
    return _toolbox._materials()
