#include "app/summary_text.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>

#include "salvage/check_text.h"

namespace quarvex::cli {

namespace {

constexpr std::array<std::string_view, 16> kFields{
    "file", "size", "codePage", "keys", "values", "good", "bad", "ghost", "usingPct", "emptyPct",
    "deadGapPct", "damage", "warnings", "notes", "status", "reason"};

// "12.3": part of whole in percent, one decimal, rounded half up; 0.0 of nothing.
std::string Percent(std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return "0.0";
  const std::int64_t tenths = (part * 2000 / whole + 1) / 2;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string TsvText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out;
}

// Each field's value as TSV text and as JSON, in kFields order; nullopt when there is none.
struct Field {
  std::optional<std::string> text;
  bool quoted = false;  // a JSON string rather than a number
};

std::array<Field, kFields.size()> Fields(const SummaryRow& row) {
  auto number = [](const auto& v) { return v ? std::optional<std::string>(std::to_string(*v)) : std::nullopt; };
  const std::optional<SummaryAnalysis>& a = row.analysis;
  const std::int64_t whole = a ? a->usingBytes + a->emptyBytes + a->deadGapBytes : 0;
  auto share = [&](std::int64_t SummaryAnalysis::*part) {
    return a ? std::optional<std::string>(Percent((*a).*part, whole)) : std::nullopt;
  };
  auto verdicts = [&](std::int32_t SummaryAnalysis::*count) {
    return a ? std::optional<std::string>(std::to_string((*a).*count)) : std::nullopt;
  };
  return {Field{row.file, true},
          Field{number(row.size)},
          Field{row.codePage ? std::optional<std::string>(std::string(text::CodePageName(*row.codePage))) : std::nullopt, true},
          Field{number(row.keys)},
          Field{number(row.values)},
          Field{verdicts(&SummaryAnalysis::good)},
          Field{verdicts(&SummaryAnalysis::bad)},
          Field{verdicts(&SummaryAnalysis::ghost)},
          Field{share(&SummaryAnalysis::usingBytes)},
          Field{share(&SummaryAnalysis::emptyBytes)},
          Field{share(&SummaryAnalysis::deadGapBytes)},
          Field{std::to_string(row.damage)},
          Field{std::to_string(row.warnings)},
          Field{std::to_string(row.notes)},
          Field{std::string(SummaryStatusName(row.status)), true},
          Field{row.reason, true}};
}

}  // namespace

std::string SummaryTsvHeader() {
  std::string line;
  for (std::string_view name : kFields) line += (line.empty() ? "" : "\t") + std::string(name);
  return line;
}

std::string SummaryTsvLine(const SummaryRow& row) {
  std::string line;
  bool first = true;
  for (const Field& f : Fields(row)) {
    if (!first) line += '\t';
    first = false;
    line += f.text ? (f.quoted ? TsvText(*f.text) : *f.text) : "-";
  }
  return line;
}

std::string SummaryJsonLine(const SummaryRow& row) {
  const std::array<Field, kFields.size()> fields = Fields(row);
  std::string line = "{";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    line += (i == 0 ? "\"" : ", \"") + std::string(kFields[i]) + "\": ";
    line += !f.text ? "null" : f.quoted ? salvage::JsonString(*f.text) : *f.text;
  }
  return line + "}";
}

}  // namespace quarvex::cli
