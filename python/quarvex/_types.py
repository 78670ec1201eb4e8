"""The plain types of the package: value types, findings, recovered keys, the error."""

import enum
from dataclasses import dataclass, field
from typing import List, Optional, Union


class ValueType(enum.IntEnum):
    """A value's type number (its Atr field), named as the registry API names it."""

    REG_NONE = 0
    REG_SZ = 1
    REG_EXPAND_SZ = 2
    REG_BINARY = 3
    REG_DWORD = 4
    REG_DWORD_BIG_ENDIAN = 5
    REG_LINK = 6
    REG_MULTI_SZ = 7
    REG_RESOURCE_LIST = 8
    REG_FULL_RESOURCE_DESCRIPTOR = 9
    REG_RESOURCE_REQUIREMENTS_LIST = 10
    REG_QWORD = 11


def value_type(number: int) -> Union[ValueType, int]:
    """The ValueType of a type number, or the number itself when no name is known for it."""
    try:
        return ValueType(number)
    except ValueError:
        return number


@dataclass(frozen=True)
class Finding:
    """One problem or decision of the reader, as `quarvex-cli check --json` lists it.

    grade is "damage", "warning" or "note"; structure names what it concerns ("key node",
    "data record" ...); offset is where that structure lies in the file; field, found and
    expected name the field, the value read and what a sound file holds; key_path the key
    concerned ("" when none); text the line `quarvex-cli check` prints for it.
    """

    offset: int
    grade: str
    structure: str
    field: str
    found: str
    expected: str
    key_path: str
    text: str
    block: Optional[int] = None
    record: Optional[int] = None

    @classmethod
    def from_json(cls, member: dict) -> "Finding":
        """A finding from one member of check --json's "findings"."""
        return cls(offset=member["offset"], grade=member["severity"], structure=member["structure"],
                   field=member["field"], found=member["found"], expected=member["expected"],
                   key_path=member["keyPath"], text=member["line"], block=member.get("block"),
                   record=member.get("record"))


class HiveError(Exception):
    """A file that cannot be read as a Windows 9x hive.

    code is the failure code the faithful report ends with (see the README's failure codes:
    1 and 2 for a file that is no registry file at all, 3-23 for damage the report's readers
    stop at). finding (a Finding, or None) names where its reader stopped; offset, structure
    and field repeat it (None without a finding).
    """

    def __init__(self, message: str, code: Optional[int] = None, finding=None):
        super().__init__(message)
        if isinstance(finding, dict):
            finding = Finding.from_json(finding)
        self.code = code
        self.finding: Optional[Finding] = finding
        self.offset = finding.offset if finding else None
        self.structure = finding.structure if finding else None
        self.field = finding.field if finding else None


@dataclass(frozen=True)
class RecoveredValue:
    """A value of a deleted key. partial: its name or data ran into overwritten bytes, and
    data holds only the bytes that survive (data_length is what the entry claims)."""

    offset: int
    type: Union[ValueType, int]
    name: str
    name_length: int
    data_length: int
    data: bytes
    partial: bool
    text: Optional[str] = None
    strings: Optional[List[str]] = None


@dataclass(frozen=True)
class RecoveredKey:
    """A deleted key still in the file, as `quarvex-cli recover --json` lists it.

    confidence is "high", "medium" or "low", with the evidence in reasons; path starts with
    "(unknown parent)" when no live key was reached, and path_guessed says a link on the way
    was guessed or is in doubt; source says where the record was found ("free record", "dead
    gap" ...) and link how it was tied to its place ("record numbers", "elimination", "free-list
    order", "live copy", "none"). older_copy: no deleted key but an older copy of the live key
    live_counterpart names; live_counterpart, when a live key corresponds, is a dict with its
    "path", whether the values are "identical" and which "changed" ({"value", "change"}:
    "added", "removed" or "changed" since).
    """

    offset: int
    block: int
    record_number: Optional[int]
    source: str
    name: str
    path: str
    parent_known: bool
    path_guessed: bool
    key_node: Optional[int]
    confidence: str
    partial: bool
    values_announced: int
    reasons: List[str] = field(default_factory=list)
    values: List[RecoveredValue] = field(default_factory=list)
    link: str = "none"
    older_copy: bool = False
    live_counterpart: Optional[dict] = None

    @classmethod
    def from_json(cls, m: dict) -> "RecoveredKey":
        """A key from the engine's members (recover --json's names, data as bytes)."""
        values = [RecoveredValue(offset=v["offset"], type=value_type(v["type"]), name=v["name"],
                                 name_length=v["nameLength"], data_length=v["dataLength"], data=v["data"],
                                 partial=v["partial"], text=v.get("text"), strings=v.get("strings"))
                  for v in m["values"]]
        return cls(offset=m["offset"], block=m["block"], record_number=m["recordNumber"], source=m["source"],
                   name=m["name"], path=m["path"], parent_known=m["parentKnown"], path_guessed=m["pathGuessed"],
                   key_node=m["keyNode"], confidence=m["confidence"], partial=m["partial"],
                   values_announced=m["valuesAnnounced"], reasons=list(m["reasons"]), values=values,
                   link=m["link"], older_copy=m["olderCopy"], live_counterpart=m["liveCounterpart"])
