#!/usr/bin/env python3
"""Three-way cross-check of the REGEDIT4 export.

Reads, for one hive, quarvex-cli's REGEDIT4 export (in the hive's code page), cregexport's
listing (libcreg, names decoded as windows-932) and regexport.pl's export
(Parse::Win32Registry, names decoded as Windows-1252, written as UTF-8), turns each into the
same list of entries (key paths below the root; per value its name, type and data bytes), and
compares our list with each peer's, entry by entry, in walk order.

A difference that a peer is known to produce is explained by one of the rules below and
reported with its count; the shapes table says which rules each shape is expected to show,
and any other difference, or an expected rule that does not show, fails the check.

usage: crosscheck.py SHAPE OURS.reg CREG.txt CREG.err PERL.reg PERL.err EXPECTED_CREG EXPECTED_PERL
(the expected rules of each peer comma-separated, or empty)
"""

import re
import sys

REG_SZ, REG_DWORD = 1, 4
LOST_IN_1252 = {0x81, 0x8D, 0x8F, 0x90, 0x9D}  # Windows-1252 leaves these undefined

# --- our export ------------------------------------------------------------------------------


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            i += 1
        out.append(text[i])
        i += 1
    return "".join(out)


def cp932(text):
    return text.encode("cp932", "surrogateescape")


def split_value_line(line):
    """'"name"=rest' or '@=rest' with \\ and " escaped in the name -> (name, rest)."""
    if line.startswith("@="):
        return "", line[2:]
    i = 1
    while line[i] != '"':
        i += 2 if line[i] == "\\" else 1
    return unescape(line[1:i]), line[i + 2:]


def parse_hex(text):
    text = text.replace("\\\n", "").replace(" ", "")
    return bytes(int(h, 16) for h in text.split(",") if h)


def value_data(rest):
    """The data part of a value line -> (type, data bytes)."""
    if rest.startswith('"'):
        return REG_SZ, cp932(unescape(rest[1:-1]))
    if rest.startswith("dword:"):
        return REG_DWORD, int(rest[6:], 16).to_bytes(4, "little")
    m = re.match(r"hex(?:\(([0-9a-f]+)\))?:(.*)", rest, re.S)
    return (int(m.group(1), 16) if m.group(1) else 3), parse_hex(m.group(2))


def parse_ours(raw):
    """Entries: ('K', path) and ('V', path, name, type, data); paths and names as bytes."""
    text = raw.decode("cp932", "surrogateescape").replace("\r\n", "\n")
    lines = text.split("\n")
    assert lines[0] == "REGEDIT4", "no REGEDIT4 header"
    entries, path, logical = [], None, []
    for line in lines[1:]:
        logical.append(line)
        if line.endswith("\\") and not line.startswith("["):  # a wrapped hex line goes on
            continue
        line = "\n".join(logical)
        logical = []
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            path = cp932(line[1:-1]).partition(b"\\")[2]
            entries.append(("K", path))
        else:
            name, rest = split_value_line(line)
            entries.append(("V", path, cp932(name)) + value_data(rest))
    return entries


# --- cregexport ------------------------------------------------------------------------------

CREG_TYPES = {"REG_NONE": 0, "REG_SZ": 1, "REG_EXPAND_SZ": 2, "REG_BINARY": 3, "REG_DWORD_LITTLE_ENDIAN": 4,
              "REG_DWORD_BIG_ENDIAN": 5, "REG_LINK": 6, "REG_MULTI_SZ": 7, "REG_RESOURCE_LIST": 8}


def parse_creg(raw):
    entries, path, value = [], None, None
    lines = raw.decode("utf-8", "surrogateescape").split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("Key path: "):
            path = line[len("Key path: "):]
            entries.append(("K", path))
        elif line.startswith("Value: "):
            name = line.split(" ", 2)[2]
            value = [path, "" if name == "(default)" else name, None, b""]
            entries.append(value)
        elif line.startswith("Type: ") and value is not None:
            m = re.search(r"\((REG_\w+)\)$", line) or re.search(r"unknown: 0x([0-9a-f]+)$", line)
            value[2] = CREG_TYPES[m.group(1)] if m.group(1).startswith("REG_") else int(m.group(1), 16)
        elif line.startswith("Data size: ") and value is not None:
            size, data, number = int(line[len("Data size: "):]), b"", None
            # The value's lines up to the next value or key: hex rows of the "Data:" dump, or
            # a number alone ("Data: 10") for a 4-byte REG_DWORD.
            while i + 1 < len(lines) and not re.match(r"Value: |Key path: ", lines[i + 1]):
                i += 1
                m = re.match(r"^[0-9a-f]{8}: ((?:[0-9a-f]{2}  ?)+)", lines[i])
                if m and len(data) < size:
                    data += bytes.fromhex(m.group(1).replace(" ", ""))
                elif number is None and value[2] == REG_DWORD:
                    number = re.match(r"^Data: (\d+)$", lines[i])
            if value[2] == REG_DWORD and size == 4 and not data and number:
                data = int(number.group(1)).to_bytes(4, "little")
            value[3] = data
            value = None
        i += 1
    return [e if e[0] == "K" else ("V",) + tuple(e) for e in entries]


# --- regexport.pl ----------------------------------------------------------------------------


def parse_perl(raw):
    """Parse::Win32Registry escapes nothing: a name ends at the '"=' whose rest reads as data,
    and a text that holds a line break goes on over the following lines."""
    lines = raw.decode("utf-8", "surrogateescape").split("\n")
    entries, path, i = [], None, 1
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            path = line[1:-1].partition("\\")[2]
            entries.append(("K", path))
            continue
        while line.endswith("\\") and i < len(lines):  # wrapped hex
            line += "\n" + lines[i]
            i += 1
        if line.startswith("@="):
            name, rest = "", line[2:]
        else:
            for m in re.finditer(r'"=', line):
                rest = line[m.end():]
                if re.match(r'"|dword:|hex[:(]', rest):
                    name = line[1:m.start()]
                    break
        while rest.startswith('"') and (len(rest) < 2 or not rest.endswith('"')) and i < len(lines):
            rest += "\n" + lines[i]
            i += 1
        if rest.startswith('"'):
            entries.append(("V", path, name, REG_SZ, rest[1:-1].encode("latin-1", "surrogateescape")))
        elif rest.startswith("dword:"):
            entries.append(("V", path, name, REG_DWORD, int(rest[6:], 16).to_bytes(4, "little") if rest[6:] else None))
        else:
            m = re.match(r"hex(?:\(([0-9a-f]+)\))?:(.*)", rest, re.S)
            kind = int(m.group(1), 16) if m.group(1) else 3
            data = parse_hex(m.group(2))
            if kind in (2, 7):  # a Windows 9x text written as UTF-16LE for the version 5 format
                data = data.decode("utf-16-le").encode("latin-1")
            entries.append(("V", path, name, kind, data))
    return entries


# --- comparison ------------------------------------------------------------------------------


def text_data(kind, data):
    """A text's terminator is no part of it: the text form cannot show it."""
    if kind == REG_SZ and data is not None and data.endswith(b"\0"):
        return data[:-1]
    return data


def view_in(codec):
    """Our entries as a peer shows them: names decoded from the code page it decodes them from
    (cregexport: 932, as told; regexport.pl: always Windows-1252)."""
    def view(entry):
        if entry[0] == "K":
            return ("K", entry[1].decode(codec, "replace"))
        _, path, name, kind, data = entry
        return ("V", path.decode(codec, "replace"), name.decode(codec, "replace"), kind, text_data(kind, data))
    return view


PLACEHOLDER = re.compile(r"\(key [0-9A-F]{8}\)")


def rule_unnamed_key(ours, peer):
    """A key without a name (no record, or its record not found) has an empty name in the
    peer's paths (regexport.pl keeps the empty part, cregexport drops it below the key);
    ours shows "(key OFFSET)" in its place."""
    if ours[0] != peer[0] or ours[2:] != peer[2:] or not PLACEHOLDER.search(ours[1]):
        return False
    bare = PLACEHOLDER.sub("", ours[1])
    return peer[1] in (bare, bare.replace("\\\\", "\\"))


def rule_short_dword(ours, peer):
    """A REG_DWORD whose data is not 4 bytes long is written "dword:" with no data."""
    return ours[0] == "V" and peer[0] == "V" and ours[3] == REG_DWORD and len(ours[4]) != 4 and peer[4] is None \
        and ours[:4] == peer[:4]


def rule_type_high_word(ours, peer, high):
    """The value type is read as 32 bits: the word after it (Un1) is its high half."""
    return bool(high) and ours[0] == "V" == peer[0] and peer[3] == ours[3] | (high << 16) \
        and ours[:3] == peer[:3] and ours[4] == text_data(peer[3] & 0xFFFF, peer[4])


def compare(peer_name, ours, peer, view, raw_names, high_words):
    found, problems, exact = {}, [], 0
    for i, (mine, theirs) in enumerate(zip(ours, peer)):
        mv = view(mine)
        if theirs[0] == "V":
            theirs = theirs[:4] + (text_data(theirs[3], theirs[4]),)
        if mv == theirs:
            exact += 1
            if peer_name == "regexport.pl" and any(b in LOST_IN_1252 for b in raw_names[i]):
                found["lost-1252"] = found.get("lost-1252", 0) + 1
            continue
        explained = None
        if rule_unnamed_key(mv, theirs):
            explained = "unnamed-key"
        elif rule_short_dword(mv, theirs):
            explained = "short-dword"
        elif rule_type_high_word(mv, theirs, high_words[i]):
            explained = "type-high-word"
        if explained is None:
            problems.append(f"entry {i}: ours {mv!r}\n      {peer_name} {theirs!r}")
        else:
            found[explained] = found.get(explained, 0) + 1
    return found, problems, exact


KNOWN = {
    "unnamed-key": "a key without a name (no record, or a record not in the file) is shown with an empty name",
    "short-dword": 'a REG_DWORD whose data is not 4 bytes is written "dword:" with no data',
    "type-high-word": "the value type is read as 32 bits, the word after it (Un1) as its high half",
    "lost-1252": "names are decoded as Windows-1252: bytes 81 8D 8F 90 9D become U+FFFD",
    "stops-rgkn-end": "a key node in the key-node block's last 32 bytes cannot be read: the export stops",
    "stops-record-missing": "a key whose data record is not in the file stops the export",
    "stops-value-past-record": "a value that runs past its record stops the export",
    "stops-small-free-record": "a free record smaller than a record header (20 bytes) stops the export",
}


def main():
    shape, ours_path, creg_path, creg_rc, perl_path, perl_err, expected_creg, expected_perl = sys.argv[1:9]
    ours_raw = open(ours_path, "rb").read()
    ours = parse_ours(ours_raw)
    raw_names = [e[1] if e[0] == "K" else e[1] + b"\\" + e[2] for e in ours]
    high_words = [0] * len(ours)
    # The high words our comments name, attached to the value line that follows each comment.
    text = ours_raw.decode("cp932", "surrogateescape").replace("\r\n", "\n").split("\n")
    pending, vi = 0, -1
    value_index = [i for i, e in enumerate(ours) if e[0] == "V"]
    for line in text:
        m = re.match(r"; value \d+: the word after its type \(Un1\) is ([0-9A-F]{4})", line)
        if m:
            pending = int(m.group(1), 16)
        elif line.startswith('"') or line.startswith("@="):
            vi += 1
            if pending:
                high_words[value_index[vi]] = pending
                pending = 0
    failed = False
    for peer_name, path, view, expected in (("cregexport", creg_path, view_in("cp932"), expected_creg),
                                            ("regexport.pl", perl_path, view_in("cp1252"), expected_perl)):
        raw = open(path, "rb").read()
        entries = parse_creg(raw) if peer_name == "cregexport" else parse_perl(raw)
        found, problems, agree = compare(peer_name, ours, entries, view, raw_names, high_words)
        if len(entries) < len(ours):
            stop = None
            if peer_name == "cregexport":
                rc_text = open(creg_rc).read()
                # Each stop is told by the first (innermost) message of libcreg's error chain.
                first = rc_text.split("\n")[1] if "\n" in rc_text else ""
                stop = {"libfdata_area_get_element_value_at_offset": "stops-rgkn-end",
                        "libcreg_key_item_read_node_data": "stops-record-missing",
                        "libcreg_value_entry_read_data": "stops-value-past-record",
                        "libcreg_key_name_entry_read_entry_size": "stops-small-free-record"}.get(
                            first.split(":")[0])
            if stop:
                found[stop] = len(ours) - len(entries)
            else:
                problems.append(f"{peer_name} shows {len(entries)} entries, ours {len(ours)}")
        elif len(entries) > len(ours):
            problems.append(f"{peer_name} shows {len(entries)} entries, ours {len(ours)}: first extra "
                            f"{entries[len(ours)]!r}")
        want = set(filter(None, expected.split(",")))
        for rule in sorted(set(found) - want):
            problems.append(f"{peer_name}: not expected for this shape: {rule} ({found[rule]} entries)")
        for rule in sorted(want - set(found)):
            problems.append(f"{peer_name}: expected, but not seen: {rule}")
        print(f"{shape}: {peer_name}: {agree} of {len(ours)} entries agree exactly"
              + ("" if not found else "; known:"))
        for rule, count in sorted(found.items()):
            print(f"    KNOWN {rule} ({count} entries): {KNOWN[rule]}")
        for p in problems[:10]:
            print(f"    MISMATCH {p}")
        failed |= bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
