#!/usr/bin/env python3
"""Cross-check of quarvex-cli ls -R, find and diff with Parse::Win32Registry's regtree.pl,
regfind.pl and regdiff.pl on one hive (or a pair).

Both sides read names as Windows-1252 (ours with --codepage 1252; none reads bytes as Latin-1) and print UTF-8. Paths are
compared without the leading backslash the peer writes.

Known differences of the peer, applied as rules and counted:
  unnamed-key       a key whose data record is missing has no name; we show it as
                    "{key node 0x000000AC}", the peer as an empty name.
  evidence-record   a key whose record link finds no record, but whose record (no key links
                    it any more) the node's name checksum names: we read the key from it (check
                    notes it as `record`), the peer follows the link alone and shows an empty
                    name, without the key's values.
  peer-binary-case  the peer matches binary data's raw bytes with case; we match the strings
                    inside without case, as we match texts.
The peer's value order within a key comes from a hash, so values are compared as sets per key.

find-data compares the values whose data matches (find --data, regfind.pl -d) for patterns of
letters in the exact case they are stored in: the peer matches a non-text value's raw bytes
case-sensitively and their UTF-16LE reading (from the first byte only) without case, and a
DWORD as its own text; we match texts and the strings inside binary data (4 characters or
more, UTF-16 at either parity) without case. For such patterns both must find the same values.

usage: browse_crosscheck.py tree|find|find-data|diff CLI HIVE [HIVE_B|PATTERN] PEER_SCRIPT
"""

import json
import re
import subprocess
import sys


def run(args):
    return subprocess.run(args, capture_output=True).stdout.decode("utf-8", "replace")


def evidence_keys(cli, hive):
    """Paths of the keys we read from the record their node's checksum names (evidence-record)."""
    checked = json.loads(run([cli, "check", "--json", "-", "--codepage", "1252", hive]) or "{}")
    return {f["keyPath"] for entry in checked.get("files", []) for f in entry.get("findings", [])
            if f["severity"] == "note" and f["field"] == "record"}


def under(path, keys):
    return any(path == k or path.startswith(k + "\\") for k in keys)


def tree(cli, hive, peer):
    evidence = evidence_keys(cli, hive)
    ours, stack, read_by_evidence = [], [], 0
    for line in run([cli, "ls", "-R", "--codepage", "1252", hive]).splitlines():
        if line.lstrip().startswith("! "):
            continue
        name = line.lstrip(" ")
        depth = (len(line) - len(name)) // 2 + 1
        if "  [" in name:
            name = name[: name.index("  [")]
        stack[depth - 1 :] = [name]
        if "\\".join(stack) in evidence:
            read_by_evidence += 1
            name = ""
        ours.append((depth, name))
    unnamed = sum(1 for _, name in ours if UNREADABLE.match(name))
    ours = [(depth, "" if UNREADABLE.match(name) else name) for depth, name in ours]
    rules = [f"{unnamed} keys without a record: unnamed-key"] if unnamed else []
    if read_by_evidence:
        rules.append(f"{read_by_evidence} keys read by their checksum: evidence-record")
    theirs = []
    for line in run(["perl", peer, hive]).splitlines():
        for i in range(0, len(line), 2):
            if line[i : i + 2] in ("+-", "`-"):
                theirs.append((i // 2 + 1, line[i + 2 :]))
                break
    return compare("tree", ours, theirs, "; ".join(rules))


def find(cli, hive, pattern, peer):
    ours_keys, ours_values = set(), set()
    args = [cli, "find", "--keys", "--values", "--regex", "--json", "--codepage", "1252", hive, pattern]
    for line in run(args).splitlines():
        hit = json.loads(line)
        ours_keys.add(hit["path"])
        if hit["kind"] == "value":
            ours_values.add((hit["path"], hit["value"]["name"] or "(Default)"))
    theirs_keys, theirs_values, current = set(), set(), None
    for line in run(["perl", peer, hive, pattern, "-k", "-v"]).splitlines():
        if line.startswith("\\"):
            current = line[1:]
            theirs_keys.add(current)
        elif " (REG_" in line or " (" in line:
            theirs_values.add((current, line[: line.rindex(" (", 0, line.index(" = ") if " = " in line else len(line))]))
    # evidence-record: what we read of such keys the peer shows under no name.
    evidence = evidence_keys(cli, hive)
    rule = ""
    if evidence:
        dropped = {k for k in ours_keys if under(k, evidence)}
        ours_keys -= dropped
        ours_values = {v for v in ours_values if not under(v[0], evidence)}
        rule = f"{len(dropped)} keys read by their checksum: evidence-record" if dropped else ""
    ok = compare("find keys", sorted(ours_keys), sorted(theirs_keys), rule)
    return compare("find values", sorted(ours_values), sorted(theirs_values), rule) and ok


def peer_values(lines):
    """(key path, value name) of each value regfind.pl printed, under the key it printed."""
    values, current = set(), None
    for line in lines:
        if line.startswith("\\"):
            current = line[1:]
        elif " (" in line:
            values.add((current, line[: line.rindex(" (", 0, line.index(" = ") if " = " in line else len(line))]))
    return values


def find_data(cli, hive, pattern, peer):
    ours, case_only = set(), set()
    args = [cli, "find", "--data", "--json", "--codepage", "1252", hive, pattern]
    for line in run(args).splitlines():
        hit = json.loads(line)
        entry = (hit["path"], hit["value"]["name"] or "(Default)")
        ours.add(entry)
        inside = hit.get("inside", {})
        if inside.get("as", "").startswith("cp") and pattern not in inside["text"]:
            case_only.add(entry)
    theirs = peer_values(run(["perl", peer, hive, pattern, "-d"]).splitlines())
    # peer-binary-case: the peer matches the raw bytes of binary data with case, so a string
    # inside binary data written in another case than the pattern is ours alone.
    rule = ""
    if case_only - theirs:
        rule = f"{len(case_only - theirs)} values whose binary data holds the word in another case: peer-binary-case"
        ours -= case_only - theirs
    return compare(f"find --data {pattern}", sorted(ours), sorted(theirs), rule)


def diff(cli, a, b, peer):
    sign = {"ADDED": "+", "DELETED": "-", "CHANGED": "~"}
    ours = set()
    for line in run([cli, "diff", "--json", "--codepage", "1252", a, b]).splitlines():
        d = json.loads(line)
        s = {"key added": "+", "key removed": "-", "value added": "+", "value removed": "-", "value changed": "~"}[d["change"]]
        v = d.get("new") or d.get("old")
        ours.add((s, d["path"], (v["name"] or "(Default)") if v else ""))
    theirs, current = set(), None
    for line in run(["perl", peer, a, b, "-v"]).splitlines():
        if "\t" not in line:
            continue
        tag, rest = line.split("\t", 1)
        if tag == "" and rest.startswith("\\"):  # the key the next changed values are in
            current = rest[1:]
            continue
        if tag not in sign:
            continue
        if rest.startswith("\\"):
            current = rest[1:]
            theirs.add((sign[tag], current, ""))
        else:
            name = rest[: rest.rindex(" (", 0, rest.index(" = ") if " = " in rest else len(rest))]
            theirs.add((sign[tag], current, name))
    return compare("diff", sorted(ours), sorted(theirs))


UNREADABLE = re.compile(r"^\{key node 0x[0-9A-F]{8}\}$")


def compare(what, ours, theirs, rule=""):
    note = f" ({rule})" if rule else ""
    if ours == theirs:
        print(f"{what}: {len(ours)} entries agree{note}")
        return True
    print(f"{what}: DIFFERENT{note}")
    so, st = set(ours), set(theirs)
    for e in sorted(so - st, key=str)[:20]:
        print("  only ours:  ", e)
    for e in sorted(st - so, key=str)[:20]:
        print("  only peer's:", e)
    if so == st:
        print("  same entries in another order")
    return False


def main():
    mode, cli, hive = sys.argv[1:4]
    if mode == "tree":
        ok = tree(cli, hive, sys.argv[4])
    elif mode == "find":
        ok = find(cli, hive, sys.argv[4], sys.argv[5])
    elif mode == "find-data":
        ok = find_data(cli, hive, sys.argv[4], sys.argv[5])
    else:
        ok = diff(cli, hive, sys.argv[4], sys.argv[5])
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
