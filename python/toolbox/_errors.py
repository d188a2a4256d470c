"""The exception the toolbox module raises for failures of the library."""


class ToolboxError(Exception):
    """A failure reported by the toolbox library.

    Attributes:
        message: the library's message text (for example
            "The file  >>x.csv<<  couldn't be opened!").
        error_class: the library's error class: 3 file (cannot be opened, invalid
            format or content), 4 memory or channel data, 5 characteristic header,
            6 database, 7 an answer the call did not give; -1 none.
        warnings: the warnings collected before the failure (list of str).
    """

    FILE = 3
    DATA = 4
    HEADER = 5
    DATABASE = 6
    CANCELLED = 7

    def __init__(self, message, error_class=-1, warnings=()):
        super().__init__(message)
        self.message = message
        self.error_class = error_class
        self.warnings = list(warnings)

    def __str__(self):
        return self.message
