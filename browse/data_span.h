// A stretch of a value's data that a search found: a string read inside binary data (in the
// hive's code page or as UTF-16LE), or the bytes a byte pattern matched.
#pragma once

#include <cstddef>
#include <string>

namespace quarvex::browse {

enum class SpanKind {
  CodePageText,  // a run of characters of the hive's code page
  Utf16Text,     // a run of UTF-16LE code units, at an even or odd offset
  Bytes,         // bytes a byte pattern matched
};

struct DataSpan {
  std::size_t offset = 0;  // from the first byte of the value's data
  std::size_t length = 0;  // in bytes
  SpanKind kind = SpanKind::Bytes;
  std::string text;  // the string in UTF-8; "" for Bytes
};

}  // namespace quarvex::browse
