"""Korvalind: where a mainland-China mobile number was issued, from a local directory.

    >>> import korvalind
    >>> d = korvalind.Directory()                 # the directory shipped with the module
    >>> d.lookup("13901234567").city
    '北京'
    >>> d.lookup_many(numbers)                    # a list, numpy array, pandas Series or Index
    >>> korvalind.annotate(frame, "phone", prefix="phone_")

Every value is taken by its own type, in lookup, status and lookup_many alike: an int is a
7-digit segment or an 11-digit number (any other int is invalid); a float is that number when
it is whole, else invalid; a str is a text as the command line reads it; bytes are a text in
UTF-8; None, NaN, pandas.NA, pandas.NaT and masked entries are invalid; any other type raises
TypeError.

A Directory is opened once and may be shared by threads; batch look-ups of numbers release the
GIL. pandas and numpy are imported by the first lookup_many or annotate, not before.
"""

import errno
import os
import stat
import threading
from collections import namedtuple

from . import _korvalind

__all__ = [
    "Answer",
    "DamagedDirectoryError",
    "Directory",
    "annotate",
    "default_directory",
    "FIELDS",
    "STATUSES",
]
__version__ = _korvalind.version

#: The answer columns, in order: the place, SIM card kind and zone of a found segment, then the
#: number plan's carrier of the segment (its Chinese name and id), for not-found ones too.
FIELDS = ("province", "city", "sim_type", "area_code", "post_code", "carrier", "carrier_id")
#: The categories of the status column.
STATUSES = ("ok", "invalid", "not-found")

Answer = namedtuple("Answer", FIELDS)
Answer.__doc__ = (
    "The fields of a found segment (str; bytes for gbk=True); carrier and carrier_id are \"\" "
    "where the number plan names no carrier."
)

_FILE_NAME = "Korvalind.dat"


class DamagedDirectoryError(ValueError):
    """The file was read but is not a directory (the message names it)."""


def _shipped_directory():
    """The directory beside the module, or under the prefix it is installed in."""
    # os.path, not pathlib: a one-shot look-up should not pay for importing re.
    here = os.path.dirname(os.path.realpath(__file__))
    beside = os.path.join(here, _FILE_NAME)
    if os.path.isfile(beside):
        return beside
    folder = here
    while os.path.dirname(folder) != folder:
        folder = os.path.dirname(folder)
        installed = os.path.join(folder, "share", "korvalind", _FILE_NAME)
        if os.path.isfile(installed):
            return installed
    return None


def _resolve(path):
    if path is not None:
        return os.fspath(path)
    if os.environ.get("KORVALIND_DIRECTORY"):
        return os.environ["KORVALIND_DIRECTORY"]
    # None: the library's own search order (beside the program, the installed copy).
    return _shipped_directory()


def _read_error(path, message):
    """The OSError open() would raise for path, found by opening it again: the library gives
    only its message."""
    if path is None:
        return FileNotFoundError(errno.ENOENT, message)
    try:
        # O_NONBLOCK: a FIFO must not hold the caller up.
        descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    except OSError as error:
        return error
    try:
        is_folder = stat.S_ISDIR(os.fstat(descriptor).st_mode)
    finally:
        os.close(descriptor)
    if is_folder:
        return IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)
    # Readable yet refused (not a regular file, too large): the library's reason, which names
    # the file (a filename attribute without an errno would spoil the message).
    return OSError(message)


def _open(path):
    try:
        return _korvalind.Directory(path)
    except ValueError as error:
        raise DamagedDirectoryError(str(error)) from None
    except OSError as error:
        if error.errno is not None:
            raise
        raise _read_error(path, str(error)) from None


class Directory:
    """An opened directory.

    path: the enciphered directory file; by default KORVALIND_DIRECTORY, else the copy shipped
    with the module, else the library's search order. Raises FileNotFoundError,
    IsADirectoryError, PermissionError (with errno and the file name, as open() does) or
    another OSError when the file cannot be read, DamagedDirectoryError when it is no
    directory.
    """

    def __init__(self, path=None):
        self._native = _open(_resolve(path))
        # Absolute, so that a copy pickled into another process (whose working folder may
        # differ) opens the same file.
        self._path = os.path.abspath(self._native.info()["path"])
        self._dtypes = None

    def __reduce__(self):
        # Shipped to another process (a Dask worker) by its path, opened again there.
        return (Directory, (self._path,))

    def __repr__(self):
        segments = self._native.info()["segment_count"]
        return f"<korvalind.Directory {self._path!r}, {segments} segments>"

    @property
    def path(self):
        """The absolute path of the directory file."""
        return self._path

    @property
    def info(self):
        """path, segment_count, count_line, held_prefixes, answer_count."""
        return self._native.info()

    def lookup(self, value, any_prefix=False, gbk=False):
        """The Answer for one value (see the module's rule), or None when it is invalid or not
        in the directory. any_prefix reads texts as the command line's --any-prefix does
        (+86/0086, blanks and hyphens dropped, every prefix 1xx accepted)."""
        status, *fields = self._native.lookup_value(value, any_prefix, gbk)
        return Answer(*fields) if status == "ok" else None

    def status(self, value, any_prefix=False):
        """"ok", "invalid" or "not-found" for one value."""
        return self._native.lookup_value(value, any_prefix, False)[0]

    def lookup_many(self, values, any_prefix=False):
        """A pandas DataFrame with one row per value and the Categorical columns status,
        province, city, sim_type, area_code and post_code (missing where not found), carrier
        and carrier_id (for not-found values too; missing where refused or unknown to the plan).

        values: one column: a list, a tuple, a 1-D numpy array (masked or not), a pandas
        Series or Index, or any other iterable of known length; each value is taken by the
        module's rule. A Series or Index gives the frame its index. A DataFrame or a 2-D array
        raises ValueError."""
        import pandas as pd

        if self._dtypes is None:
            self._dtypes = [_categorical_dtype(list(STATUSES))] + [
                _categorical_dtype(names) for names in self._native.categories()
            ]
        array, index = _column(values)
        columns = self._native_columns(array, any_prefix)
        data = {
            name: pd.Categorical.from_codes(codes, dtype=dtype)
            for name, codes, dtype in zip(("status",) + FIELDS, columns, self._dtypes)
        }
        return pd.DataFrame(data, index=index, copy=False)

    def _native_columns(self, array, any_prefix):
        import numpy as np

        if isinstance(array, list):
            return self._native.lookup_objects(array, any_prefix)
        kind = array.dtype.kind
        if kind in "iu":
            if kind == "u":
                # Past int64 nothing is a number of the directory.
                array = np.where(array > np.iinfo(np.int64).max, 0, array)
            return self._native.lookup_numbers(
                np.ascontiguousarray(array, dtype=np.int64), any_prefix
            )
        if kind == "f":
            with np.errstate(invalid="ignore"):
                whole = np.isfinite(array) & (np.floor(array) == array) & (np.abs(array) < 1e15)
                numbers = np.where(whole, array, -1).astype(np.int64)
            return self._native.lookup_numbers(numbers, any_prefix)
        if kind == "b":
            return self._native.lookup_numbers(np.full(len(array), -1, np.int64), any_prefix)
        if kind in "OUS":
            return self._native.lookup_objects(array.astype(object, copy=False), any_prefix)
        raise TypeError(
            f"cannot look up values of dtype {array.dtype}: pass ints, floats, str or bytes"
        )


def _column(values):
    """(a 1-D numpy array or a list, the index to keep or None) for the values of lookup_many."""
    import numpy as np
    import pandas as pd

    if isinstance(values, (str, bytes, bytearray)):
        raise TypeError("lookup_many takes a column of values; for one value use lookup()")
    if isinstance(values, pd.DataFrame):
        raise ValueError(
            f"lookup_many takes one column, not a DataFrame of {values.shape[1]} columns: "
            "pass frame[name]"
        )
    if isinstance(values, (pd.Series, pd.Index)):
        index = values if isinstance(values, pd.Index) else values.index
        return _extension_values(values.array), index
    if isinstance(values, np.ma.MaskedArray):
        return _unmasked(values), None
    if isinstance(values, np.ndarray):
        if values.ndim != 1:
            raise ValueError(
                f"lookup_many takes one column, not an array of shape {values.shape}: "
                "pass array[:, i]"
            )
        return values, None
    if isinstance(values, list):
        return values, None
    if not hasattr(values, "__len__") or not hasattr(values, "__iter__"):
        raise TypeError(
            f"lookup_many takes a column of known length (a list, an array, a Series), "
            f"not a {type(values).__name__}: pass list(values)"
        )
    return list(values), None


def _unmasked(values):
    """A masked array's values with every masked entry invalid."""
    import numpy as np

    if values.ndim != 1:
        raise ValueError(f"lookup_many takes one column, not an array of shape {values.shape}")
    mask = np.ma.getmaskarray(values)
    kind = values.dtype.kind
    if kind in "iu":
        return values.filled(0)  # 0 is no segment
    if kind == "f":
        return values.filled(np.nan)
    array = np.ma.getdata(values).astype(object)
    array[mask] = None
    return array


def _extension_values(values):
    """A pandas array as numpy: nullable numbers with their missing entries invalid."""
    import numpy as np
    import pandas as pd

    dtype = values.dtype
    if isinstance(dtype, (pd.Int8Dtype, pd.Int16Dtype, pd.Int32Dtype, pd.Int64Dtype,
                          pd.UInt8Dtype, pd.UInt16Dtype, pd.UInt32Dtype)):
        return values.to_numpy(dtype=np.int64, na_value=0)
    if isinstance(dtype, (pd.Float32Dtype, pd.Float64Dtype)):
        return values.to_numpy(dtype=np.float64, na_value=np.nan)
    if isinstance(dtype, pd.BooleanDtype):
        return np.zeros(len(values), dtype=bool)
    if isinstance(dtype, pd.CategoricalDtype):
        return np.asarray(values)
    return values.to_numpy()


def _categorical_dtype(values):
    import pandas as pd

    return pd.CategoricalDtype(pd.Index(values, dtype=object), ordered=False)


_default = {}
_default_lock = threading.Lock()


def default_directory(path=None):
    """The Directory of path (or the default one), opened once per process and then shared:
    what each worker of a cluster uses."""
    key = _resolve(path)
    with _default_lock:
        directory = _default.get(key)
        if directory is None:
            directory = _default[key] = Directory(key)
        return directory


def annotate(frame, column, prefix="", directory=None, any_prefix=False, status=True,
             overwrite=False):
    """A copy of frame with the answer columns for frame[column] added, each named prefix +
    field (and prefix + "status" unless status=False). A name frame already has raises
    ValueError unless overwrite=True. directory: a Directory or a path; by default the
    process's default_directory()."""
    names = FIELDS if not status else ("status",) + FIELDS
    taken = [prefix + name for name in names if prefix + name in frame.columns]
    if taken and not overwrite:
        raise ValueError(
            f"annotate would overwrite the column {taken[0]!r}: pass another prefix or "
            "overwrite=True"
        )
    if directory is None or not isinstance(directory, Directory):
        directory = default_directory(directory)
    answers = directory.lookup_many(frame[column], any_prefix=any_prefix)
    return frame.assign(**{prefix + name: answers[name].array for name in names})
