// The code page tables of the web build, made from glibc's iconv by text/make_codepage_tables.py
// at build time (see there why): what each byte and each double-byte pair of a page reads as,
// which runs of 1255 and 1258 glibc composes into one character, and what each character of
// the Basic Multilingual Plane is written as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "text/codepage.h"

namespace quarvex::text {

// Up to four bytes (big-endian in `bytes`, the first in the top byte) that read as one character.
struct ComposedRun {
  std::uint32_t bytes;
  std::uint8_t length;  // 0: none (a page without runs has one such entry)
  std::uint16_t character;
};

// A character and its bytes in the page: the length in the top byte, then up to three bytes.
struct EncodedCharacter {
  std::uint16_t character;
  std::uint32_t bytes;
};

struct CodePageTables {
  CodePage codePage;
  const std::uint16_t* singles;          // bytes 0x80-0xFF alone; 0: does not convert
  std::span<const std::uint16_t> pairs;  // each lead byte in order, by 256 trail bytes
  std::span<const ComposedRun> composed;
  std::span<const EncodedCharacter> encoded;  // in order of character
};

// The tables of a page, or nullptr when the build has none for it.
const CodePageTables* TablesFor(CodePage cp);

}  // namespace quarvex::text
