"""Channels and records: what toolbox.read returns."""


class Channel:
    """One named column of values with a unit.

    Attributes:
        name: the channel's name (str).
        unit: its unit in the library's unit notation (str, may be empty).
        values: a float64 numpy array, or a numpy object array of str for a text
            column of a workbook or database; None from toolbox.info.
    """

    __slots__ = ("name", "unit", "values")

    def __init__(self, name, unit="", values=None):
        self.name = name
        self.unit = unit
        self.values = values

    @property
    def label(self):
        """"name [unit]", or the bare name without a unit: the DataFrame column."""
        return f"{self.name} [{self.unit}]" if self.unit else self.name

    def __len__(self):
        return 0 if self.values is None else len(self.values)

    def __repr__(self):
        count = "no values" if self.values is None else f"{len(self.values)} values"
        return f"Channel({self.name!r}, unit={self.unit!r}, {count})"


class Record:
    """The channels of one data file, in file order, with what the reader learnt.

    record["name"] gives the first channel of that name (record[0] the first
    channel); len(record) is the channel count; iterating yields the channels.

    Attributes:
        channels: list of Channel.
        items: the item (row) count of the file.
        format: the format's name as tbx and the format table give it ("CSV",
            "COMTRADE binary", "Excel 97", "SPICE raw"...).
        family: the format family's name ("Text", "CSV", "Microsoft Excel (.xls)",
            "COMTRADE", "SPICE output (.out, .raw)", "Recorder (.dat)"...).
        family_code, format_code: the library's codes for both (-1 unknown).
        warnings: the reader's warnings (list of str).
        separator, decimal: the symbols of delimited text (None for other formats).
        table: the table or sheet read from a workbook or database ("" otherwise).
        path: the file read.
    """

    def __init__(self, path, channels, details):
        self.path = path
        self.channels = channels
        self.items = details["items"]
        self.format = details["format"]
        self.family = details["family"]
        self.family_code = details["family_code"]
        self.format_code = details["format_code"]
        self.warnings = list(details["warnings"])
        self.separator = details["separator"]
        self.decimal = details["decimal"]
        self.table = details["table"]

    @property
    def names(self):
        """The channel names in order."""
        return [c.name for c in self.channels]

    @property
    def units(self):
        """The channel units in order."""
        return [c.unit for c in self.channels]

    def __len__(self):
        return len(self.channels)

    def __iter__(self):
        return iter(self.channels)

    def __getitem__(self, key):
        if isinstance(key, int):
            return self.channels[key]
        for channel in self.channels:
            if channel.name == key:
                return channel
        raise KeyError(key)

    def __contains__(self, name):
        return any(c.name == name for c in self.channels)

    def to_pandas(self):
        """A pandas DataFrame with one column per channel, named "name [unit]".

        The columns share nothing with the record's arrays that pandas does not
        share itself; needs pandas.
        """
        import pandas

        columns = {}
        for channel in self.channels:
            label = channel.label
            while label in columns:  # two channels of one name keep both columns
                label += "'"
            columns[label] = channel.values
        return pandas.DataFrame(columns, copy=False)

    def __repr__(self):
        return (f"Record({self.path!r}, {self.format}, {len(self.channels)} channels x {self.items} items"
                + (f", {len(self.warnings)} warnings" if self.warnings else "") + ")")
