"""quarvex.open: a hive from a path, an IMAGE::PATH address, bytes or a file object."""

import os
from typing import Union

from . import _quarvex
from ._hive import Hive

# The format's offsets are 32-bit and signed: a larger file is no hive (quarvex-cli refuses it too).
_LARGEST = 2 ** 31 - 1


def _bytes_of(data) -> bytes:
    data = bytes(data)
    if len(data) > _LARGEST:
        raise ValueError(f"{len(data)} bytes: larger than 2 GiB, which a registry file's offsets cannot address")
    return data


def open(source: Union[str, bytes, os.PathLike, bytearray, memoryview, object], codepage: str = "auto",
         strict: bool = False, name: str = None) -> Hive:
    """Opens a Windows 95/98/Me registry file, read-only.

    source is a file path (str or os.PathLike), an address into a disk image or cabinet as
    quarvex-cli takes it ("disk.img::WINDOWS/USER.DAT", "RB001.CAB::SYSTEM.DAT"), the file's
    bytes (bytes, bytearray, memoryview), or a binary file object (read whole from its start).
    codepage is "auto" (told by the hive, a system.dat beside it, its checksums, else 1252) or
    a code page ("1252", "932", "none" ...). name is what the hive is called in reports and
    findings (by default the path, the file object's name, or "<bytes>").

    A damaged hive opens: the salvage reader reads what is left (see Hive.check()). With
    strict=True the faithful report's readers must accept the file too, or HiveError is
    raised with their failure code and finding. A file that is no registry file at all raises
    HiveError (code 1 or 2); one that cannot be read, FileNotFoundError or OSError.
    """
    if not isinstance(codepage, str):
        raise TypeError("codepage is a str: 'auto', '1252', '932' ...")
    if name is not None and not isinstance(name, str):
        raise TypeError("name is a str")
    strict = bool(strict)
    if isinstance(source, (bytes, bytearray, memoryview)):
        core = _quarvex.open_bytes(_bytes_of(source), name or "<bytes>", codepage, strict)
    elif isinstance(source, (str, os.PathLike)):
        path = os.fspath(source)
        if isinstance(path, bytes):
            path = os.fsdecode(path)
        if not path or "\0" in path:
            raise ValueError(f"not a file path: {path!r}")
        core = _quarvex.open_path(os.fsencode(path), os.fsencode(name or path), codepage, strict)
    elif hasattr(source, "read"):
        if hasattr(source, "seek"):
            source.seek(0)
        data = source.read(_LARGEST + 1)
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object must be opened in binary mode ('rb')")
        label = name or str(getattr(source, "name", "<file object>"))
        core = _quarvex.open_bytes(_bytes_of(data), label, codepage, strict)
    else:
        raise TypeError(f"open takes a path, an IMAGE::PATH address, bytes or a file object, not {type(source).__name__}")
    return Hive(core)
