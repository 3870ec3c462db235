"""Korvalind: where a mainland-China mobile number was issued, from a local directory.

    >>> import korvalind
    >>> d = korvalind.Directory()                 # the directory shipped with the module
    >>> d.lookup("13901234567").city
    '北京'
    >>> d.lookup_many(numbers)                    # numpy array, list or pandas Series
    >>> korvalind.annotate(frame, "phone", prefix="phone_")

A Directory is opened once and may be shared by threads; batch look-ups release the GIL.
"""

import os
import threading
from collections import namedtuple
from pathlib import Path

import numpy as np

from . import _korvalind

__all__ = ["Answer", "Directory", "annotate", "default_directory", "FIELDS", "STATUSES"]
__version__ = _korvalind.version

#: The answer columns, in order.
FIELDS = ("province", "city", "sim_type", "area_code", "post_code")
#: The categories of the status column.
STATUSES = ("ok", "invalid", "not-found")

Answer = namedtuple("Answer", FIELDS)
Answer.__doc__ = "The five fields of a found segment (str; bytes for gbk=True)."

_FILE_NAME = "Korvalind.dat"


def _shipped_directory():
    """The directory beside the module, or under the prefix it is installed in."""
    here = Path(__file__).resolve().parent
    beside = here / _FILE_NAME
    if beside.is_file():
        return str(beside)
    for folder in here.parents:
        installed = folder / "share" / "korvalind" / _FILE_NAME
        if installed.is_file():
            return str(installed)
    return None


def _resolve(path):
    if path is not None:
        return os.fspath(path)
    if os.environ.get("KORVALIND_DIRECTORY"):
        return os.environ["KORVALIND_DIRECTORY"]
    # None: the library's own search order (beside the program, the installed copy).
    return _shipped_directory()


class Directory:
    """An opened directory.

    path: the enciphered directory file; by default KORVALIND_DIRECTORY, else the copy shipped
    with the module, else the library's search order. Raises ValueError naming the file when
    it is missing or damaged.
    """

    def __init__(self, path=None):
        self._path_given = path
        self._native = _korvalind.Directory(_resolve(path))
        self._categories = [
            _categorical_dtype(values) for values in self._native.categories()
        ]
        self._status_dtype = _categorical_dtype(list(STATUSES))

    def __reduce__(self):
        # Shipped to another process (a Dask worker) by its path, opened again there.
        return (Directory, (self.info["path"],))

    @property
    def info(self):
        """path, segment_count, count_line, held_prefixes, answer_count."""
        return self._native.info()

    def lookup(self, text, any_prefix=False, gbk=False):
        """The Answer for one number or segment (str or int), or None when it is refused or
        not in the directory. any_prefix accepts +86/0086, blanks, hyphens and every prefix
        1xx, as the command line's --any-prefix does."""
        status, *fields = self._native.lookup(str(text), any_prefix, gbk)
        return Answer(*fields) if status == "ok" else None

    def status(self, text, any_prefix=False):
        """"ok", "invalid" or "not-found" for one text."""
        return self._native.lookup(str(text), any_prefix, False)[0]

    def lookup_many(self, numbers, any_prefix=False):
        """A pandas DataFrame with one row per input and the Categorical columns status,
        province, city, sim_type, area_code and post_code (missing where not found).

        numbers: a numpy array, a list or a pandas Series. Integers are 7-digit segments or
        11-digit numbers (anything else is invalid); str are looked up as texts, as lookup()
        does; NaN and None are invalid. A Series keeps its index."""
        import pandas as pd

        index = None
        if isinstance(numbers, pd.Series):
            index = numbers.index
            numbers = numbers.to_numpy()
        columns = self._native_columns(numbers, any_prefix)
        data = {"status": pd.Categorical.from_codes(columns[0], dtype=self._status_dtype)}
        for name, codes, dtype in zip(FIELDS, columns[1:], self._categories):
            data[name] = pd.Categorical.from_codes(codes, dtype=dtype)
        return pd.DataFrame(data, index=index, copy=False)

    def _native_columns(self, numbers, any_prefix):
        array = np.asarray(numbers)
        if array.ndim != 1:
            array = array.reshape(-1)
        kind = array.dtype.kind
        if kind in "iu":
            if kind == "u":
                # Past int64 nothing is a number of the directory.
                array = np.where(array > np.iinfo(np.int64).max, 0, array)
            return self._native.lookup_numbers(
                np.ascontiguousarray(array, dtype=np.int64), any_prefix
            )
        if kind == "f":
            whole = np.isfinite(array) & (np.floor(array) == array) & (np.abs(array) < 1e15)
            numbers = np.where(whole, array, -1).astype(np.int64)
            return self._native.lookup_numbers(numbers, any_prefix)
        if kind == "b":
            return self._native.lookup_numbers(np.full(len(array), -1, np.int64), any_prefix)
        return self._native.lookup_objects(array.astype(object, copy=False), any_prefix)


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


def annotate(frame, column, prefix="", directory=None, any_prefix=False, status=True):
    """A copy of frame with the answer columns for frame[column] added, each named prefix +
    field (and prefix + "status" unless status=False). directory: a Directory or a path; by
    default the process's default_directory()."""
    if directory is None or not isinstance(directory, Directory):
        directory = default_directory(directory)
    answers = directory.lookup_many(frame[column], any_prefix=any_prefix)
    names = FIELDS if not status else ("status",) + FIELDS
    return frame.assign(**{prefix + name: answers[name].array for name in names})
