from os import PathLike
from typing import Any, Collection, Final, Literal, NamedTuple, Optional, TypedDict, Union, overload

import pandas as pd

__version__: Final[str]
__all__: list[str]

FIELDS: Final[tuple[str, str, str, str, str, str, str]]
STATUSES: Final[tuple[str, str, str]]

Status = Literal["ok", "invalid", "not-found"]
#: What lookup and status take: int, float, str, bytes, None, numpy's and pandas' scalars and
#: missing markers. Any other type raises TypeError when looked up.
Value = Any
Path = Union[str, bytes, PathLike[str], PathLike[bytes]]

class Answer(NamedTuple):
    province: str
    city: str
    sim_type: str
    area_code: str
    post_code: str
    carrier: str
    carrier_id: str

class DamagedDirectoryError(ValueError): ...

class Info(TypedDict):
    path: str
    segment_count: int
    count_line: str
    held_prefixes: list[int]
    answer_count: int

class Directory:
    def __init__(self, path: Optional[Path] = ...) -> None: ...
    @property
    def path(self) -> str: ...
    @property
    def info(self) -> Info: ...
    @overload
    def lookup(
        self, value: Value, any_prefix: bool = ..., gbk: Literal[False] = ...
    ) -> Optional[Answer]: ...
    @overload
    def lookup(
        self, value: Value, any_prefix: bool = ..., *, gbk: Literal[True]
    ) -> Optional[tuple[bytes, bytes, bytes, bytes, bytes, bytes, bytes]]: ...
    def status(self, value: Value, any_prefix: bool = ...) -> Status: ...
    def lookup_many(self, values: Collection[Any], any_prefix: bool = ...) -> pd.DataFrame: ...

def default_directory(path: Optional[Path] = ...) -> Directory: ...
def annotate(
    frame: pd.DataFrame,
    column: Any,
    prefix: str = ...,
    directory: Union[Directory, Path, None] = ...,
    any_prefix: bool = ...,
    status: bool = ...,
    overwrite: bool = ...,
) -> pd.DataFrame: ...
