#!/usr/bin/env python3
"""Writes the code page tables of the web build (text/codepage_tables.h) from glibc's iconv.

The native builds convert code pages with glibc's iconv (text/text_encoding.cpp). The
WebAssembly build has musl's, which lacks 874, 932 and 936 and cannot encode any double-byte
page, and differs from glibc where it has them. So the web build converts with tables made here,
on the build machine, by asking glibc's iconv itself each question the native conversion asks
it: each byte of a single-byte page, each lead byte with each trail byte of a double-byte page
(the native code converts these one character at a time), each base letter followed by each
combining mark of 1255 and 1258 (which glibc composes into one character), and each character
of the Basic Multilingual Plane in the other direction. The page's text is thus the CLI's.

A question whose answer the tables cannot hold (a byte giving more than one character, or one
outside the Basic Multilingual Plane) stops the build with its code page and bytes: the web
build never guesses a character.

Usage: make_codepage_tables.py OUTPUT.cpp
"""
import ctypes
import ctypes.util
import sys

PAGES = [  # (enumerator, glibc charset, double-byte lead byte ranges)
    ("Cp874", "CP874", []), ("Cp932", "CP932", [(0x81, 0x9F), (0xE0, 0xFC)]),
    ("Cp936", "CP936", [(0x81, 0xFE)]), ("Cp949", "CP949", [(0x81, 0xFE)]), ("Cp950", "CP950", [(0x81, 0xFE)]),
    ("Cp1250", "CP1250", []), ("Cp1251", "CP1251", []), ("Cp1252", "CP1252", []), ("Cp1253", "CP1253", []),
    ("Cp1254", "CP1254", []), ("Cp1255", "CP1255", []), ("Cp1256", "CP1256", []), ("Cp1257", "CP1257", []),
    ("Cp1258", "CP1258", []), ("SingleByte", "ISO-8859-1", []),
]
COMPOSING = {"CP1255", "CP1258"}

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                       ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
FAILED = ctypes.c_size_t(-1).value


class Converter:
    def __init__(self, to, frm):
        self.cd = libc.iconv_open(to.encode(), frm.encode())
        if self.cd in (None, FAILED, ctypes.c_void_p(-1).value):
            sys.exit(f"make_codepage_tables: glibc's iconv cannot convert {frm} to {to}")
        self.out = ctypes.create_string_buffer(64)

    def __call__(self, data):
        """The converted bytes of data as one call (with the flush the native code does), or None."""
        libc.iconv(self.cd, None, None, None, None)
        src = ctypes.create_string_buffer(data, len(data))
        inp, inleft = ctypes.c_char_p(ctypes.addressof(src)), ctypes.c_size_t(len(data))
        outp, outleft = ctypes.c_char_p(ctypes.addressof(self.out)), ctypes.c_size_t(64)
        if libc.iconv(self.cd, ctypes.byref(inp), ctypes.byref(inleft), ctypes.byref(outp), ctypes.byref(outleft)) == FAILED:
            libc.iconv(self.cd, None, None, None, None)
            return None
        if inleft.value != 0:
            return None
        libc.iconv(self.cd, None, None, ctypes.byref(outp), ctypes.byref(outleft))
        return self.out.raw[:64 - outleft.value]


def one_character(page, what, utf8):
    text = utf8.decode("utf-8")
    if len(text) != 1 or ord(text) > 0xFFFF:
        sys.exit(f"make_codepage_tables: {page}: {what} gives {text!r}, which the tables cannot hold")
    return ord(text)


def tables(enumerator, charset, leads):
    decode, encode = Converter("UTF-8", charset), Converter(charset, "UTF-8")
    lead_bytes = {b for first, last in leads for b in range(first, last + 1)}
    singles = []
    for b in range(0x80, 0x100):
        got = None if b in lead_bytes else decode(bytes([b]))
        singles.append(0 if got is None else one_character(charset, f"byte {b:#04x}", got))
    pairs = []
    for lead in sorted(lead_bytes):
        for trail in range(0x100):
            got = decode(bytes([lead, trail]))
            pairs.append(0 if got is None else one_character(charset, f"bytes {lead:#04x} {trail:#04x}", got))
    composed = []  # (bytes, character): runs glibc gives as one character, longest last
    if charset in COMPOSING:
        alone = {b: decode(bytes([b])) or b"?" for b in range(0x100)}
        runs = [(bytes([b]), alone[b]) for b in range(0x20, 0x100)]
        while runs:
            longer = []
            for run, text in runs:
                for mark in range(0x80, 0x100):
                    got = decode(run + bytes([mark]))
                    if got is not None and got != text + alone[mark]:
                        longer.append((run + bytes([mark]), got))
            if longer and len(longer[0][0]) > 4:
                sys.exit(f"make_codepage_tables: {charset}: runs of more than four bytes compose")
            composed += [(run, one_character(charset, f"bytes {run.hex(' ')}", got)) for run, got in longer]
            runs = longer
    encoded = []
    for code in range(0x80, 0x10000):
        if 0xD800 <= code <= 0xDFFF:
            continue
        got = encode(chr(code).encode("utf-8"))
        if got is None:
            continue
        if not 1 <= len(got) <= 3 or got[0] == 0:
            sys.exit(f"make_codepage_tables: {charset}: U+{code:04X} gives {got!r}, which the tables cannot hold")
        encoded.append((code, len(got) << 24 | int.from_bytes(got.ljust(3, b"\0"), "big")))
    return singles, pairs, composed, encoded


def numbers(values, per_line=16):
    values = list(values)
    return ",\n".join("    " + ", ".join(values[i:i + per_line]) for i in range(0, len(values), per_line))


def main():
    out = [f"// Made by text/make_codepage_tables.py from glibc's iconv; not to be edited.",
           '#include "text/codepage_tables.h"', "", "namespace quarvex::text {", "", "namespace {", ""]
    entries = []
    for enumerator, charset, leads in PAGES:
        singles, pairs, composed, encoded = tables(enumerator, charset, leads)
        name = enumerator
        out.append(f"constexpr std::uint16_t k{name}Singles[] = {{\n{numbers(f'0x{v:04X}' for v in singles)}}};")
        out.append(f"constexpr std::uint16_t k{name}Pairs[] = {{\n{numbers(f'0x{v:04X}' for v in pairs) or '    0'}}};")
        runs = ["{0x%08X, %d, 0x%04X}" % (int.from_bytes(r.ljust(4, bytes(1)), "big"), len(r), c) for r, c in composed]
        out.append(f"constexpr ComposedRun k{name}Composed[] = {{\n{numbers(runs, 4) or '    {0, 0, 0}'}}};")
        out.append(f"constexpr EncodedCharacter k{name}Encoded[] = {{\n"
                   f"{numbers(('{0x%04X, 0x%08X}' % e for e in encoded), 6)}}};")
        entries.append(f"    {{CodePage::{enumerator}, k{name}Singles, {{k{name}Pairs, std::size_t{{{len(pairs)}}}}}, "
                       f"{{k{name}Composed, std::size_t{{{len(composed)}}}}}, k{name}Encoded}},")
        out.append("")
    out += ["}  // namespace", "", "const CodePageTables* TablesFor(CodePage cp) {",
            f"  static const CodePageTables kTables[] = {{", *entries, "  };",
            "  for (const CodePageTables& t : kTables)", "    if (t.codePage == cp) return &t;",
            "  return nullptr;", "}", "", "}  // namespace quarvex::text", ""]
    with open(sys.argv[1], "w", encoding="ascii") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
