"""pycreg's interface (the Python binding of libcreg) on top of quarvex.

Code written for pycreg, dfwinreg's CREG back-end among it, runs on quarvex's reader after

    import sys, quarvex.pycreg_compat
    sys.modules["pycreg"] = quarvex.pycreg_compat

Where it differs from pycreg (see the README): damaged hives open (the salvage reader reads
what is left) instead of failing; the code page is one of quarvex's ("ascii" reads as 1252);
key paths also part at '/' where no key has the name with the slash; unknown errors are
IOError, as pycreg raises them.
"""

import builtins
import re
from typing import List, Optional

import quarvex

_CODEPAGE = re.compile(r"(?:cp|windows-)?(\d+)\Z")


def get_version() -> str:
    """The version of this interface."""
    return "quarvex-pycreg-compat"


def _quarvex_codepage(codepage: str) -> str:
    name = codepage.strip().lower()
    if name == "ascii":
        return "1252"
    found = _CODEPAGE.match(name)
    if not found:
        raise ValueError(f"unsupported ASCII codepage: {codepage}")
    return found.group(1)


class value:
    """A value (pycreg.value)."""

    def __init__(self, inner: "quarvex.Value"):
        self._value = inner

    name = property(lambda self: self._value.name, doc="The value's name ('' for the default value).")
    type = property(lambda self: int(self._value.type), doc="The type number.")
    offset = property(lambda self: self._value.offset, doc="File offset of the value's entry.")
    data = property(lambda self: self._value.data, doc="The data bytes.")
    data_size = property(lambda self: len(self._value.data), doc="How many data bytes.")

    def get_name(self) -> str:
        return self.name

    def get_type(self) -> int:
        return self.type

    def get_data(self) -> bytes:
        return self.data

    def get_data_as_string(self) -> str:
        """A REG_SZ or REG_EXPAND_SZ value's text; IOError for other types."""
        text = self._value.text
        if text is None:
            raise IOError(f"value {self.name!r}: its type {self.type} holds no string")
        return text

    def get_data_as_integer(self) -> int:
        """A REG_DWORD, REG_DWORD_BIG_ENDIAN or REG_QWORD value's number; IOError otherwise."""
        number = self._value.integer
        if number is None:
            raise IOError(f"value {self.name!r}: type {self.type} with {len(self.data)} bytes holds no integer")
        return number

    def get_data_as_multi_string(self) -> List[str]:
        """A REG_MULTI_SZ value's strings; IOError for other types."""
        strings = self._value.strings
        if strings is None:
            raise IOError(f"value {self.name!r}: its type {self.type} holds no multi string")
        return strings


class key:
    """A key (pycreg.key)."""

    def __init__(self, inner: "quarvex.Key", hive: "quarvex.Hive"):
        self._key = inner
        self._hive = hive

    name = property(lambda self: self._key.name, doc="The key's name ('' for the root).")
    offset = property(lambda self: self._key.offset, doc="File offset of the key's node.")
    number_of_sub_keys = property(lambda self: self._key.number_of_subkeys, doc="How many subkeys.")
    number_of_values = property(lambda self: self._key.number_of_values, doc="How many values.")
    sub_keys = property(lambda self: [key(k, self._hive) for k in self._key.subkeys], doc="The subkeys.")
    values = property(lambda self: [value(v) for v in self._key.values], doc="The values.")

    def get_name(self) -> str:
        return self.name

    def get_offset(self) -> Optional[int]:
        return self.offset

    def get_number_of_sub_keys(self) -> int:
        return self.number_of_sub_keys

    def get_number_of_values(self) -> int:
        return self.number_of_values

    def get_sub_key(self, index: int) -> "key":
        """The subkey at index; IndexError out of range."""
        subkeys = self._key.subkeys
        if not 0 <= index < len(subkeys):
            raise IndexError(f"no subkey {index} (of {len(subkeys)})")
        return key(subkeys[index], self._hive)

    def get_sub_key_by_name(self, name: str) -> Optional["key"]:
        found = self._key.subkey(name)
        return key(found, self._hive) if found is not None else None

    def get_sub_key_by_path(self, path: str) -> Optional["key"]:
        full = path if not self._key.path else self._key.path + "\\" + path.lstrip("\\")
        found = self._hive.key(full)
        return key(found, self._hive) if found is not None else None

    def get_value(self, index: int) -> value:
        values = self._key.values
        if not 0 <= index < len(values):
            raise IndexError(f"no value {index} (of {len(values)})")
        return value(values[index])

    def get_value_by_name(self, name: str) -> Optional[value]:
        """The value of that name ('' the default value), or None."""
        if name == "@":  # pycreg has no "@" for the default value: only a value so named
            found = next((v for v in self._key.values if v.name == "@"), None)
        else:
            found = self._key.value(name)
        return value(found) if found is not None else None


class file:
    """A registry file (pycreg.file)."""

    def __init__(self):
        self._codepage = "cp1252"
        self._hive: Optional[quarvex.Hive] = None

    def _open_hive(self, source, mode: str) -> None:
        if mode != "r":
            raise ValueError(f"unsupported mode: {mode} (files are read only)")
        if self._hive is not None:
            raise IOError("a file is already open")
        try:
            self._hive = quarvex.open(source, codepage=_quarvex_codepage(self._codepage))
        except quarvex.HiveError as error:
            raise IOError(str(error)) from error

    def open(self, filename: str, mode: str = "r") -> None:
        """Opens a file (or an IMAGE::PATH address)."""
        self._open_hive(filename, mode)

    def open_file_object(self, file_object, mode: str = "r") -> None:
        """Opens the file a binary file object reads."""
        self._open_hive(file_object, mode)

    def close(self) -> None:
        if self._hive is None:
            raise IOError("no file is open")
        self._hive.close()
        self._hive = None

    def get_ascii_codepage(self) -> str:
        return self._codepage

    def set_ascii_codepage(self, codepage: str) -> None:
        """The code page of the names and strings, 'cp1252' and the like; before opening."""
        _quarvex_codepage(codepage)
        self._codepage = codepage

    ascii_codepage = property(get_ascii_codepage, set_ascii_codepage)

    def _opened(self) -> "quarvex.Hive":
        if self._hive is None:
            raise IOError("no file is open")
        return self._hive

    def get_root_key(self) -> key:
        hive = self._opened()
        return key(hive.root, hive)

    root_key = property(get_root_key)

    def get_key_by_path(self, key_path: str) -> Optional[key]:
        """The key at a path from the root ('\\Software\\Microsoft'), or None."""
        hive = self._opened()
        found = hive.key(key_path)
        return key(found, hive) if found is not None else None


def open(filename: str, mode: str = "r") -> file:
    """Opens a file: pycreg.open()."""
    opened = file()
    opened.open(filename, mode)
    return opened


def open_file_object(file_object, mode: str = "r") -> file:
    """Opens the file a file object reads: pycreg.open_file_object()."""
    opened = file()
    opened.open_file_object(file_object, mode)
    return opened


def check_file_signature(filename: str) -> bool:
    """Whether the file begins with "CREG"."""
    with builtins.open(filename, "rb") as f:
        return f.read(4) == b"CREG"
