#include "browse/value_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "hive/format.h"
#include "text/text_encoding.h"

namespace quarvex::browse {

namespace {

constexpr std::array<const char*, 12> kTypeNames{"REG_NONE",
                                                 "REG_SZ",
                                                 "REG_EXPAND_SZ",
                                                 "REG_BINARY",
                                                 "REG_DWORD",
                                                 "REG_DWORD_BIG_ENDIAN",
                                                 "REG_LINK",
                                                 "REG_MULTI_SZ",
                                                 "REG_RESOURCE_LIST",
                                                 "REG_FULL_RESOURCE_DESCRIPTOR",
                                                 "REG_RESOURCE_REQUIREMENTS_LIST",
                                                 "REG_QWORD"};

constexpr std::uint16_t kSz = 1, kExpandSz = 2, kDword = 4, kDwordBigEndian = 5, kMultiSz = 7, kQword = 11;

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::string_view UpToZero(std::string_view s) { return s.substr(0, std::min(s.find('\0'), s.size())); }

// Cuts UTF-8 to at most n bytes without splitting a character.
std::string_view CutUtf8(std::string_view s, std::size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

std::string Length(std::size_t n) { return "(" + std::to_string(n) + (n == 1 ? " byte)" : " bytes)"); }

std::string Number(std::uint64_t v, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "0x%0*llX (%llu)", digits, static_cast<unsigned long long>(v),
                static_cast<unsigned long long>(v));
  return text;
}

bool IsText(std::uint16_t type) { return type == kSz || type == kExpandSz; }

}  // namespace

std::string TypeName(std::uint16_t type) {
  if (type < kTypeNames.size()) return kTypeNames[type];
  return hive::Hex16(type);
}

std::optional<std::uint16_t> ParseTypeName(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (std::size_t t = 0; t < kTypeNames.size(); ++t)
    if (upper == kTypeNames[t] || "REG_" + upper == kTypeNames[t]) return static_cast<std::uint16_t>(t);
  if (upper.empty()) return std::nullopt;
  unsigned long number = 0;
  std::size_t i = 0;
  int base = 10;
  if (upper.size() > 2 && upper[0] == '0' && upper[1] == 'X') {
    base = 16;
    i = 2;
  }
  for (; i < upper.size(); ++i) {
    const char c = upper[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    number = number * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    if (number > 0xFFFF) return std::nullopt;
  }
  return static_cast<std::uint16_t>(number);
}

std::string ValueName(const salvage::SalvagedValue& value, text::CodePage codePage) {
  return text::CodePageToUtf8(AsText(value.name), codePage);
}

std::size_t DeclaredLength(const salvage::SalvagedValue& value, hive::Bytes image) {
  const std::int64_t at = value.offset.value;
  if (at < 0 || static_cast<std::uint64_t>(at) + hive::ValueEntry::kSize > image.size()) return value.data.size();
  return hive::ValueEntry::Decode(image.subspan(static_cast<std::size_t>(at), hive::ValueEntry::kSize)).VL;
}

std::string QuoteText(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return EscapeControls(out) + "\"";
}

std::string HexBytes(hive::Bytes bytes, std::size_t maxBytes) {
  const std::size_t n = maxBytes == 0 ? bytes.size() : std::min(bytes.size(), maxBytes);
  std::string out;
  out.reserve(n * 3);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) out += ' ';
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

std::string DataText(const salvage::SalvagedValue& value, text::CodePage codePage, std::size_t limit) {
  const hive::Bytes data = value.data;
  const std::size_t n = data.size();
  const std::string_view raw = AsText(data);
  if (IsText(value.type)) {
    const std::string utf8 = text::CodePageToUtf8(UpToZero(raw), codePage);
    if (limit > 0 && utf8.size() > limit) return QuoteText(std::string(CutUtf8(utf8, limit)) + "…") + " " + Length(n);
    return QuoteText(utf8);
  }
  if (value.type == kMultiSz) {
    std::string out;
    std::size_t begin = 0;
    while (begin < raw.size()) {
      const std::size_t end = std::min(raw.find('\0', begin), raw.size());
      if (end == begin) break;  // an empty string ends the list
      if (!out.empty()) out += ", ";
      out += QuoteText(text::CodePageToUtf8(raw.substr(begin, end - begin), codePage));
      begin = end + 1;
      if (limit > 0 && out.size() > limit) return std::string(CutUtf8(out, limit)) + "… " + Length(n);
    }
    return out.empty() ? "(empty list)" : out;
  }
  if ((value.type == kDword || value.type == kDwordBigEndian) && n == 4) {
    const std::uint32_t v =
        value.type == kDword
            ? hive::ByteCursor(data).U32()
            : (std::uint32_t{data[0]} << 24 | std::uint32_t{data[1]} << 16 | std::uint32_t{data[2]} << 8 | data[3]);
    return Number(v, 8);
  }
  if (value.type == kQword && n == 8) {
    hive::ByteCursor cursor(data);
    const std::uint64_t low = cursor.U32();
    return Number(std::uint64_t{cursor.U32()} << 32 | low, 16);
  }
  if (n == 0) return "(0 bytes)";
  const std::size_t shown = limit > 0 ? std::max<std::size_t>(1, limit / 3) : 0;
  if (shown > 0 && n > shown) return HexBytes(data, shown) + " … " + Length(n);
  return HexBytes(data) + " " + Length(n);
}

bool ShownAsTextOrNumber(const salvage::SalvagedValue& value) {
  const std::size_t n = value.data.size();
  return IsText(value.type) || value.type == kMultiSz ||
         ((value.type == kDword || value.type == kDwordBigEndian) && n == 4) || (value.type == kQword && n == 8);
}

std::string SpanKindName(SpanKind kind, text::CodePage codePage) {
  switch (kind) {
    case SpanKind::Utf16Text:
      return "UTF-16";
    case SpanKind::CodePageText:
      return codePage == text::CodePage::SingleByte ? "Latin-1" : "cp" + std::string(text::CodePageName(codePage));
    case SpanKind::Bytes:
      break;
  }
  return "bytes";
}

std::string DataSpanText(const salvage::SalvagedValue& value, const DataSpan& span, text::CodePage codePage,
                         std::size_t limit) {
  char at[32];
  std::snprintf(at, sizeof at, " at +0x%02llX", static_cast<unsigned long long>(span.offset));
  std::string out = TypeName(value.type) + at;
  if (span.kind == SpanKind::Bytes) {
    const std::size_t end = std::min(value.data.size(), span.offset + span.length);
    const hive::Bytes bytes = span.offset < end ? value.data.subspan(span.offset, end - span.offset) : hive::Bytes{};
    const std::size_t shown = limit > 0 ? std::max<std::size_t>(1, limit / 3) : 0;
    return out + ": " + HexBytes(bytes, shown) + (shown > 0 && bytes.size() > shown ? " …" : "");
  }
  out += ", " + SpanKindName(span.kind, codePage) + ": ";
  if (limit > 0 && span.text.size() > limit) return out + QuoteText(std::string(CutUtf8(span.text, limit)) + "…");
  return out + QuoteText(span.text);
}

std::string DataSearchText(const salvage::SalvagedValue& value, text::CodePage codePage) {
  const std::string_view raw = AsText(value.data);
  if (IsText(value.type)) return text::CodePageToUtf8(UpToZero(raw), codePage);
  if (value.type == kMultiSz) {
    std::string out = text::CodePageToUtf8(raw, codePage);
    while (!out.empty() && out.back() == '\0') out.pop_back();
    for (char& c : out) c = c == '\0' ? '\n' : c;  // one string per line, as a pattern sees them
    return out;
  }
  return DataText(value, codePage);
}

}  // namespace quarvex::browse
