#include "browse/value_data.h"

#include <algorithm>

#include "salvage/check_text.h"
#include "text/text_encoding.h"
#include "text/json_text.h"

namespace quarvex::browse {

namespace {

constexpr std::uint16_t kSz = 1, kExpandSz = 2, kMultiSz = 7;

std::string_view AsText(hive::Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

}  // namespace

std::optional<std::string> DecodedText(std::uint16_t type, hive::Bytes data, text::CodePage codePage) {
  if (type != kSz && type != kExpandSz) return std::nullopt;
  const std::string_view raw = AsText(data);
  return text::CodePageToUtf8(raw.substr(0, std::min(raw.find('\0'), raw.size())), codePage);
}

std::optional<std::vector<std::string>> DecodedStrings(std::uint16_t type, hive::Bytes data, text::CodePage codePage) {
  if (type != kMultiSz) return std::nullopt;
  const std::string_view raw = AsText(data);
  std::vector<std::string> strings;
  for (std::size_t begin = 0; begin < raw.size();) {
    const std::size_t end = std::min(raw.find('\0', begin), raw.size());
    if (end == begin) break;  // the empty string ends the list
    strings.push_back(text::CodePageToUtf8(raw.substr(begin, end - begin), codePage));
    begin = end + 1;
  }
  return strings;
}

std::string DecodedDataJson(std::uint16_t type, hive::Bytes data, text::CodePage codePage, std::string_view textName,
                            std::string_view stringsName) {
  using text::JsonString;
  if (const std::optional<std::string> text = DecodedText(type, data, codePage))
    return ", " + JsonString(textName) + ": " + JsonString(*text);
  const std::optional<std::vector<std::string>> strings = DecodedStrings(type, data, codePage);
  if (!strings) return {};
  std::string out = ", " + JsonString(stringsName) + ": [";
  for (std::size_t i = 0; i < strings->size(); ++i) out += (i ? ", " : "") + JsonString((*strings)[i]);
  return out + "]";
}

}  // namespace quarvex::browse
