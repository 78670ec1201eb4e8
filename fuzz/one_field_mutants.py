#!/usr/bin/env python3
"""Writes every "hive in every field but one" of a sound hive: for each 16- or 32-bit field of
each record (file header, key-node block header, key nodes, data block headers, data record
headers, value entries), copies of the hive with only that field set to 0, all ones, the
highest and lowest signed values, and its own value plus and minus one.

usage: one_field_mutants.py HIVE OUTDIR   (prints how many fields and files)
"""

import hashlib
import os
import struct
import sys

KEY_NODE = [(0, 4), (4, 4), (8, 4), (12, 4), (16, 4), (20, 4), (24, 2), (26, 2)]
CREG = [(4, 2), (6, 2), (8, 4), (12, 4), (16, 2), (18, 2), (20, 2), (22, 2), (24, 4), (28, 4)]
RGKN = [(4, 4), (8, 4), (12, 4), (16, 4), (20, 4), (24, 4), (28, 4)]
RGDB = [(4, 4), (8, 4), (12, 4), (16, 4), (20, 2), (22, 2), (24, 4), (28, 4)]
RECORD = [(0, 4), (4, 2), (6, 2), (8, 4), (12, 2), (14, 2), (16, 4)]
VALUE = [(0, 2), (2, 2), (4, 4), (8, 2), (10, 2)]


def fields(hive):
    """(file offset, size) of every field of every record the sound hive holds."""
    out = [(f, s) for f, s in CREG]
    out += [(32 + f, s) for f, s in RGKN]
    rgkn_size, first = struct.unpack_from("<ii", hive, 36)
    # Key nodes: walk the tree by first child and next sibling from the root.
    todo, seen = [first], set()
    while todo:
        node = todo.pop()
        if node <= 0 or node in seen or 32 + node + 28 > len(hive):
            continue
        seen.add(node)
        out += [(32 + node + f, s) for f, s in KEY_NODE]
        todo += list(struct.unpack_from("<ii", hive, 32 + node + 16))
    block, count = struct.unpack_from("<iH", hive, 8)[0], struct.unpack_from("<H", hive, 16)[0]
    for _ in range(count):
        out += [(block + f, s) for f, s in RGDB]
        size = struct.unpack_from("<i", hive, block + 4)[0]
        record = block + 32
        while record + 20 <= block + size:
            nxt, rec, _, _, key_len, values = struct.unpack_from("<iHHiHH", hive, record)
            out += [(record + f, s) for f, s in RECORD]
            if rec != 0xFFFF:
                value = record + 20 + key_len
                for _ in range(values):
                    if value + 12 > record + nxt:
                        break
                    out += [(value + f, s) for f, s in VALUE]
                    name_len, data_len = struct.unpack_from("<HH", hive, value + 8)
                    value += 12 + name_len + data_len
            if nxt <= 0:
                break
            record += nxt
        block += size
    return out


def mutants(hive):
    """Yields (offset, size, value, mutant bytes) for every distinct one-field mutant."""
    written = set()
    for at, size in fields(hive):
        bits = 8 * size
        original = int.from_bytes(hive[at:at + size], "little")
        mask = (1 << bits) - 1
        for value in {0, mask, mask >> 1, 1 << (bits - 1), (original + 1) & mask, (original - 1) & mask}:
            if value == original:
                continue
            mutant = hive[:at] + value.to_bytes(size, "little") + hive[at + size:]
            digest = hashlib.sha1(mutant).digest()  # a set of digests, not of whole copies
            if digest in written:
                continue
            written.add(digest)
            yield at, size, value, mutant


def main():
    hive = open(sys.argv[1], "rb").read()
    outdir = sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    stem = os.path.splitext(os.path.basename(sys.argv[1]))[0]
    count = 0
    for at, size, value, mutant in mutants(hive):
        with open(os.path.join(outdir, f"{stem}-{at:06x}-{size}-{value:x}.dat"), "wb") as f:
            f.write(mutant)
        count += 1
    print(f"{len(fields(hive))} fields, {count} one-field mutants of {sys.argv[1]}")


if __name__ == "__main__":
    main()
