"""Quarvex for Python: read the registry files of Windows 95, 98 and Me.

The same engine as quarvex-cli, in-process:

    import quarvex
    hive = quarvex.open("USER.DAT")            # or "disk.img::WINDOWS/USER.DAT", bytes, a file object
    for key in hive.walk():
        for value in key.values:
            print(key.path, value.name, value.type.name, value.text or value.data)
    damaged = [f for f in hive.check() if f.grade == "damage"]

quarvex.pycreg_compat offers pycreg's interface on top of it, for code written for libcreg.
"""

import os

from . import _quarvex
from ._hive import Hive
from ._open import open
from ._quarvex import Key, KeyWalk, Value
from ._types import Finding, HiveError, RecoveredKey, RecoveredValue, ValueType

__all__ = ["open", "Hive", "Key", "Value", "KeyWalk", "ValueType", "Finding", "HiveError", "RecoveredKey",
           "RecoveredValue"]


def _find_image_module() -> None:
    """Points the engine at the disk image and cabinet reader: QUARVEX_IMAGE_MODULE, else
    lib/quarvex/ of the build tree this package was built in, else Debian's /usr/lib/quarvex/."""
    here = os.path.dirname(os.path.abspath(__file__))
    candidates = [os.environ.get("QUARVEX_IMAGE_MODULE", ""),
                  os.path.join(here, "..", "..", "lib", "quarvex", "quarvex-images.so"),
                  os.path.join(here, "..", "..", "..", "quarvex", "quarvex-images.so")]
    for candidate in candidates:
        if candidate and os.path.isfile(candidate):
            _quarvex.use_image_module_at(os.path.normpath(candidate))
            return


_find_image_module()
