"""quarvex.Hive: an opened registry file."""

import json
import re
from typing import Any, Dict, Iterator, List, Mapping, Optional

from . import _quarvex
from ._types import Finding, RecoveredKey

_CONFIDENCE = {"low": 0, "medium": 1, "high": 2}
_OPTION_NAME = re.compile(r"[a-z][a-z0-9_-]*\Z")


def option_words(options: Optional[Mapping[str, Any]]) -> List[str]:
    """quarvex-cli's words for a report's options: {"all": True} -> ["--all"],
    {"now": "2026-12-07T10:00:00"} -> ["--now", "2026-12-07T10:00:00"], {"set": ["cbRPT=on"]}
    -> ["--set", "cbRPT=on"]; False and None leave an option out."""
    words: List[str] = []
    for name, value in (options or {}).items():
        if not isinstance(name, str) or not _OPTION_NAME.match(name):
            raise ValueError(f"not an option name: {name!r}")
        word = "--" + name.replace("_", "-")
        if value is None or value is False:
            continue
        if value is True:
            words.append(word)
        elif isinstance(value, (list, tuple)):
            for one in value:
                words += [word, str(one)]
        else:
            words += [word, str(value)]
    return words


class Hive:
    """A Windows 95/98/Me registry file, read whole into memory (the file is never written).

    Keys and values keep the hive's data alive, so they stay usable after the Hive is closed
    or dropped. Damage never stops the reading: damaged keys carry marks and findings.
    """

    def __init__(self, core: "_quarvex.HiveCore"):
        self._core = core

    def _c(self) -> "_quarvex.HiveCore":
        if self._core is None:
            raise ValueError("the hive is closed")
        return self._core

    def close(self) -> None:
        """Lets go of the hive (keys and values still in use keep its data)."""
        self._core = None

    def __enter__(self) -> "Hive":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __repr__(self) -> str:
        if self._core is None:
            return "<quarvex.Hive (closed)>"
        return f"<quarvex.Hive {self._core.name!r} codepage {self._core.codepage}>"

    @property
    def name(self) -> str:
        """What the hive was opened from: the path or address as given, or the name given."""
        return self._c().name

    @property
    def path(self) -> Optional[str]:
        """The path or IMAGE::PATH address read, None for bytes and file objects."""
        return self._c().path

    @property
    def size(self) -> int:
        """The file's size in bytes."""
        return self._c().size

    @property
    def codepage(self) -> str:
        """The code page names and texts are read in: "1252", "932" ... or "none" (Latin-1)."""
        return self._c().codepage

    @property
    def codepage_source(self) -> str:
        """How the code page was chosen: "option", "hive", "system.dat", "checksums" or "default"."""
        return self._c().codepage_source

    @property
    def codepage_reason(self) -> str:
        """Why that code page, in words (as `quarvex-cli check -v` says)."""
        return self._c().codepage_reason

    @property
    def kind(self) -> Optional[str]:
        """"system" or "user", told by the top-level keys; None when they do not tell."""
        return self._c().kind

    @property
    def root(self) -> "_quarvex.Key":
        """The root key: the hive's top, whose subkeys are the top-level keys."""
        return self._c().root

    def key(self, path: str) -> Optional["_quarvex.Key"]:
        """The key at path ("Software\\Microsoft"; slashes too; ASCII letters in any case; a
        leading HKEY_... name skipped), or None when there is none. hive[path] raises KeyError."""
        return self._c().find(path)[0]

    def __getitem__(self, path: str) -> "_quarvex.Key":
        key, error = self._c().find(path)
        if key is None:
            raise KeyError(error or path)
        return key

    def walk(self, max_depth: int = 0) -> Iterator["_quarvex.Key"]:
        """Every key in pre-order (as `quarvex-cli ls -R` lists them), max_depth levels deep (0: all)."""
        if max_depth < 0:
            raise ValueError("max_depth is 0 (no limit) or more")
        return self._c().walk(max_depth)

    def check_document(self) -> Dict[str, Any]:
        """This file's object of `quarvex-cli check --json`: status, counts, summary, report, findings."""
        return json.loads(self._c().check_json())

    def check(self) -> List[Finding]:
        """Every finding, as `quarvex-cli check` lists them (in file-offset order)."""
        return [Finding.from_json(f) for f in self.check_document()["findings"]]

    def recover(self, min_confidence: str = "low") -> List[RecoveredKey]:
        """The deleted keys still in the file, by offset, at min_confidence ("low", "medium",
        "high") or better, as `quarvex-cli recover` finds them."""
        if min_confidence not in _CONFIDENCE:
            raise ValueError(f"min_confidence is low, medium or high, not {min_confidence!r}")
        least = _CONFIDENCE[min_confidence]
        return [RecoveredKey.from_json(k) for k in self._c().recovered() if _CONFIDENCE[k["confidence"]] >= least]

    def facts(self, *others: "Hive") -> Dict[str, Any]:
        """The facts report as `quarvex-cli facts --json` gives it, of this hive and others
        (the system.dat and user.dat of one machine together)."""
        return json.loads(self._c().facts_json([o._c() for o in others]))

    def diff(self, other: "Hive", keys: bool = True, values: bool = True) -> List[Dict[str, Any]]:
        """The differences from this hive to other, as `quarvex-cli diff --json`'s objects
        ({"change", "path", "old", "new"}). keys=False: values only; values=False: keys only."""
        if not isinstance(other, Hive):
            raise TypeError("diff takes another quarvex.Hive")
        if not keys and not values:
            raise ValueError("keys and values cannot both be left out")
        return self._c().diff(other._c(), keys, values)

    def report(self, options: Optional[Mapping[str, Any]] = None) -> bytes:
        """The faithful report's bytes, as `quarvex-cli OPTIONS -o FILE` writes FILE (the hive's
        code page with CR LF). options are quarvex-cli's report options by name: {"all": True},
        {"now": "2026-12-07T10:00:00"}, {"set": ["cbRPT=on"]}, {"encoding": "utf-8"}. Raises
        HiveError when the report fails (the hive still reads, by the salvage reader)."""
        return self._c().report(option_words(options))

    def analysis(self, options: Optional[Mapping[str, Any]] = None) -> Dict[str, Any]:
        """The usage table, key verdicts and record sizes, as `quarvex-cli --json -` writes them."""
        return json.loads(self._c().analysis_json(option_words(options)))
