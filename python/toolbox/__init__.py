"""toolbox: data files of circuit simulation and measurement into numpy and pandas.

Reads delimited text (.csv, .txt and others), characteristic files (.mdx, .mdk/.mda),
COMTRADE records (.cfg/.dat, .cff), SPICE listings (.out) and raw files (.raw),
recorder files (.dat), Excel workbooks (.xls) and Access databases (.mdb) through the
toolbox library's readers, writes the formats the library writes, and formats and
parses engineering numbers and converts units.

    >>> import toolbox
    >>> record = toolbox.read("examples/rc_step.csv")
    >>> record["V(out)"].values          # a float64 numpy array
    >>> record.to_pandas()               # columns "name [unit]"

Failures raise toolbox.ToolboxError with the library's message. No call ever waits
for a user: what a reader would ask is given as an argument.
"""

import os as _os

import numpy as _np

from . import _toolbox, units
from ._errors import ToolboxError
from ._record import Channel, Record

__all__ = ["read", "info", "write", "tables", "format_eng", "parse_eng", "materials", "units",
           "Record", "Channel", "ToolboxError"]
__version__ = _toolbox.__version__


def _path(path):
    return _os.fspath(path)


def _record(path, details, with_values):
    channels = [Channel(c["name"], c["unit"], c.get("values") if with_values else None)
                for c in details["channels"]]
    return Record(path, channels, details)


def read(path, *, table=None, separator=None, decimal=None):
    """Reads a data file: its channels with names, units and values.

    The extension picks the reader (.csv, .txt and unknown extensions as delimited
    text, .mdx/.mdk/.mda, .cfg/.cff, .out, .raw, .dat, .xls, .mdb).

    Args:
        path: the file (str or path-like).
        table: the sheet of a workbook or the table of a database (toolbox.tables
            lists them); the first one when None.
        separator: column separator characters of delimited text ("\\t", ";"...);
            detected from the first lines when None.
        decimal: decimal symbol of delimited text; detected when None.

    Returns:
        A Record: record.channels (each with name, unit and a float64 numpy array of
        values; text columns of workbooks and databases as object arrays of str),
        record["name"], record.format, record.family, record.warnings,
        record.to_pandas(). Rows a file lacks in some channel read as 0.

    Raises:
        ToolboxError: the library's message, error class and warnings.
    """
    path = _path(path)
    return _record(path, _toolbox._read(path, table, separator, decimal, True), True)


def info(path, *, table=None, separator=None, decimal=None):
    """What a read would give, without the values: a Record whose channels have names
    and units (values None), with the item count, format and warnings. Arguments as
    for read."""
    path = _path(path)
    return _record(path, _toolbox._read(path, table, separator, decimal, False), False)


def tables(path):
    """The sheets of an .xls workbook or the tables of an .mdb database, in order."""
    return _toolbox._tables(_path(path))


def _write_channels(channels, units):
    """(name, unit, values) triples from a Record, a DataFrame or a mapping."""
    units = dict(units or {})
    if isinstance(channels, Record):
        return [(c.name, units.get(c.name, c.unit), c.values) for c in channels]
    if hasattr(channels, "columns") and hasattr(channels, "__getitem__"):  # a DataFrame
        triples = []
        for column in channels.columns:
            name, unit = _split_label(str(column))
            triples.append((name, units.get(name, unit), channels[column].to_numpy()))
        return triples
    if hasattr(channels, "items"):
        return [(str(name), units.get(str(name), ""), values) for name, values in channels.items()]
    return [(c.name, units.get(c.name, c.unit), c.values) for c in channels]


def _split_label(label):
    """"name [unit]" as to_pandas writes it, back into name and unit."""
    if label.endswith("]") and " [" in label:
        name, unit = label[:-1].rsplit(" [", 1)
        return name, unit
    return label, ""


def _column(values):
    array = _np.asarray(values)
    if array.dtype.kind in "OUS":
        return _np.asarray([str(v) for v in array.reshape(-1)], dtype=object)
    return _np.ascontiguousarray(array.reshape(-1), dtype=_np.float64)


def write(path, channels, *, format=None, separator=None, decimal=None, table=None, units=None):
    """Writes channels into a data file of the format its extension names.

    Args:
        path: the file; without extension, format decides and its extension is added.
        channels: a Record, a pandas DataFrame (columns "name [unit]" or plain names),
            a mapping of name to values, or a sequence of Channel. Every channel needs
            the same number of values; text columns are written as text where the
            format keeps text (workbooks, databases, delimited text).
        format: the library's format code 0-14 (0-2 .mdx text/4-byte/8-byte, 3-5
            .mdk/.mda, 6-9 Excel 3.0/4.0/5.0/97, 10 Access, 11 text, 12 CSV,
            13 COMTRADE ASCII, 14 COMTRADE binary); by extension when None (.xls as
            Excel 97).
        separator, decimal: symbols of delimited text (the user's locale symbols
            when None).
        table: the sheet or table written into a workbook or database ("Data").
        units: a mapping of channel name to unit, over the units the channels carry.

    Returns:
        The warnings of the write (list of str).

    Raises:
        ToolboxError: the library's message, error class and warnings.
    """
    triples = _write_channels(channels, units)
    prepared = [_toolbox._WriteChannel(name, unit or "", _column(values)) for name, unit, values in triples]
    if separator is not None and decimal is None:
        decimal = "."
    result = _toolbox._write(_path(path), prepared, format, separator, decimal, table)
    return list(result["warnings"])


def format_eng(values, digits=-1, *, spaced=False, separator=""):
    """Engineering-number texts: 1234.5 gives "1.2345k", 0.00047 gives "470u".

    digits -1 gives up to 15 significant digits, digits >= 0 that many decimals;
    spaced puts a blank between number and prefix; separator replaces the ".".
    Returns a str for a number, else a list of str (an object array for an array).
    """
    scalar = _np.ndim(values) == 0
    array = _np.asarray(values, dtype=_np.float64)
    texts = _toolbox._format_eng(array.reshape(-1), int(digits), bool(spaced), separator)
    if scalar:
        return texts[0]
    if isinstance(values, _np.ndarray):
        return _np.asarray(texts, dtype=object).reshape(array.shape)
    return texts


def parse_eng(texts, *, separator=""):
    """Numbers from engineering-number texts: "2k" gives 2000.0, "1.5Meg" 1500000.0.

    Text without a number reads as 0. Returns a float for one str, else a float64
    array.
    """
    if isinstance(texts, str):
        return float(_toolbox._parse_eng([texts], separator)[0])
    return _toolbox._parse_eng([str(t) for t in texts], separator)


materials = units.materials
