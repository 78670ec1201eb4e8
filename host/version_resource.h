// Version resources of executable files, read without the system: the version block
// (VS_VERSIONINFO) found among the resources of a PE file (32-bit and 64-bit Windows) or an NE
// file (16-bit Windows), and the value lookup that the system's VerQueryValue offers on it.
//
// A version block is a tree of nodes. Each node is wLength (the node's bytes, children
// included), wValueLength, in the 32-bit form a wType (1 text, 0 binary), the node's key as a
// zero-terminated string (UTF-16LE in the 32-bit form, 8-bit in the 16-bit form), padding to
// 4 bytes, the value, padding to 4 bytes, and the children. The root's key is
// "VS_VERSION_INFO"; its children are "StringFileInfo" (string tables named like "041103A4",
// holding "FileVersion" and the like) and "VarFileInfo" (holding "Translation").
//
// Everything here reads from a byte span with every offset and length checked before use: a
// truncated or damaged file gives "no version resource" or "no such value", never a read
// outside the bytes. Every walk is bounded by the bytes it walks over.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/utf16.h"

namespace quarvex::host {

using ByteSpan = std::span<const std::uint8_t>;

// The version block among a PE file's resources (type 16, the first name, the first
// language), or nothing.
std::optional<std::vector<std::uint8_t>> FindPeVersionBlock(ByteSpan file);
// The version block among an NE file's resources (type 0x8010, the first one), or nothing.
std::optional<std::vector<std::uint8_t>> FindNeVersionBlock(ByteSpan file);
// Either, by the file's signature ("PE\0\0" or "NE" where the DOS header points).
std::optional<std::vector<std::uint8_t>> FindVersionBlock(ByteSpan file);

// One value found by QueryVersionBlock.
struct VersionValue {
  bool text = false;
  bool eightBit = false;  // text of the 16-bit form, in the file's own 8-bit code page
  // Text: the characters (UTF-8 for the 32-bit form, the file's own 8-bit code page for the
  // 16-bit form), as many as wValueLength counts and the node holds, a terminator included
  // when the node stores one. Binary: the bytes, as many as wValueLength counts and the node
  // holds.
  std::string data;
};

// The value named by a path of keys separated by backslashes ("\VarFileInfo\Translation",
// "\StringFileInfo\040904E4\FileVersion"; "\" is the root's own value), keys compared
// ignoring ASCII letter case, the first child of a name taken. Nothing when a key is missing.
// The block's form (16-bit or 32-bit) is told from its first key.
std::optional<VersionValue> QueryVersionBlock(ByteSpan block, std::string_view subBlock);

// Writing version blocks: the program's own, and test fixtures.
enum class VersionBlockForm { Wide, Narrow };  // 32-bit (UTF-16LE keys) and 16-bit (8-bit keys)
struct VersionNode {
  std::string key;    // ASCII
  bool text = false;  // a text value gets a terminator; wValueLength counts it
  std::string value;  // text: ASCII characters; binary: the bytes
  std::vector<VersionNode> children;
};
std::vector<std::uint8_t> EncodeVersionNode(const VersionNode& node, VersionBlockForm form);

// The 32-bit form with one translation (language, code page), the string table of that
// translation holding FileVersion alone, and a fixed part whose file version is the dotted
// numbers of `fileVersion` (up to four; the rest zero).
std::vector<std::uint8_t> EncodeVersionBlock(std::uint16_t language, std::uint16_t codePage,
                                             std::string_view fileVersion);

using text::Utf16ToUtf8;  // version resources hold their texts in UTF-16LE

}  // namespace quarvex::host
