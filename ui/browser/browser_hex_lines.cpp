#include "ui/browser/browser_hex_lines.h"

#include <algorithm>
#include <cstdio>

#include "text/text_encoding.h"

namespace quarvex::ui {

namespace {

std::string TextColumn(hive::Bytes row, std::int64_t rowStart, std::int64_t from, std::int64_t to,
                       text::CodePage codePage, const text::LeadByteSet& leads) {
  std::string out;
  for (int i = 0; i < kHexRowBytes; ++i) {
    const std::int64_t at = rowStart + i;
    if (at < from || at >= to || static_cast<std::size_t>(i) >= row.size()) {
      out.push_back(' ');
      continue;
    }
    const std::uint8_t b = row[static_cast<std::size_t>(i)];
    if (b >= 0x20 && b < 0x7F) {
      out.push_back(static_cast<char>(b));
    } else if (leads.Contains(b) && i + 1 < kHexRowBytes && at + 1 < to &&
               static_cast<std::size_t>(i + 1) < row.size() && row[static_cast<std::size_t>(i + 1)] >= 0x40) {
      const char pair[2] = {static_cast<char>(b), static_cast<char>(row[static_cast<std::size_t>(i + 1)])};
      const std::string decoded = text::CodePageToUtf8(std::string_view(pair, 2), codePage);
      // One character of two bytes takes two columns: nothing more goes in the second.
      // A pair the code page has no character for (binary data) is two dots, not U+FFFD.
      out += decoded.empty() || decoded.find("\xEF\xBF\xBD") != std::string::npos ? std::string("..") : decoded;
      ++i;
    } else if (codePage == text::CodePage::Cp932 && b >= 0xA1 && b <= 0xDF) {
      const char one = static_cast<char>(b);
      out += text::CodePageToUtf8(std::string_view(&one, 1), codePage);
    } else {
      out.push_back('.');
    }
  }
  return out;
}

}  // namespace

int HexColumnOf(int byteInRow) { return kHexColumn + 3 * byteInRow; }

std::vector<HexRow> HexRows(hive::Bytes image, std::int64_t start, std::int64_t length, text::CodePage codePage) {
  std::vector<HexRow> rows;
  const auto size = static_cast<std::int64_t>(image.size());
  const std::int64_t from = std::clamp<std::int64_t>(start, 0, size);
  const std::int64_t to = std::clamp<std::int64_t>(start + std::max<std::int64_t>(length, 0), from, size);
  if (from >= to) return rows;
  const text::LeadByteSet leads = text::LeadByteSet::For(codePage);
  for (std::int64_t rowStart = from & ~std::int64_t{kHexRowBytes - 1}; rowStart < to; rowStart += kHexRowBytes) {
    const auto rowEnd = std::min<std::int64_t>(rowStart + kHexRowBytes, size);
    const hive::Bytes row =
        image.subspan(static_cast<std::size_t>(rowStart), static_cast<std::size_t>(rowEnd - rowStart));
    char head[16];
    std::snprintf(head, sizeof head, "%08llX  ", static_cast<unsigned long long>(rowStart));
    std::string text = head;
    for (int i = 0; i < kHexRowBytes; ++i) {
      const std::int64_t at = rowStart + i;
      if (at >= from && at < to) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", unsigned{row[static_cast<std::size_t>(i)]});
        text += digits;
      } else {
        text += "   ";
      }
    }
    text += ' ';
    text += TextColumn(row, rowStart, from, to, codePage, leads);
    rows.push_back({rowStart, std::move(text)});
  }
  return rows;
}

}  // namespace quarvex::ui
