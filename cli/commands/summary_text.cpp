#include "cli/commands/summary_text.h"

#include <array>
#include <optional>
#include <string_view>

#include "salvage/check_text.h"
#include "salvage/counts.h"
#include "text/control_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

// The digests come last, so that the columns before them keep their places for scripts that
// read them by number.
constexpr std::array<std::string_view, 18> kFields{"file",     "size",  "codePage", "keys",     "values",     "good",
                                                   "bad",      "ghost", "usingPct", "emptyPct", "deadGapPct", "damage",
                                                   "warnings", "notes", "status",   "reason",   "sha256",     "md5"};

std::string TsvText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        quarvex::text::AppendEscapedControl(out, c);
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
  const std::optional<salvage::SpaceCounts>& space = row.space;
  auto share = [&](std::int64_t salvage::SpaceCounts::*part) {
    return space ? std::optional<std::string>(salvage::Share((*space).*part, space->Total())) : std::nullopt;
  };
  const std::optional<SummaryVerdicts>& v = row.verdicts;
  auto verdicts = [&](std::int32_t SummaryVerdicts::*count) {
    return v ? std::optional<std::string>(std::to_string((*v).*count)) : std::nullopt;
  };
  return {
      Field{row.file, true},
      Field{number(row.size)},
      Field{row.codePage ? std::optional<std::string>(std::string(text::CodePageName(*row.codePage))) : std::nullopt,
            true},
      Field{number(row.keys)},
      Field{number(row.values)},
      Field{verdicts(&SummaryVerdicts::good)},
      Field{verdicts(&SummaryVerdicts::bad)},
      Field{verdicts(&SummaryVerdicts::ghost)},
      Field{share(&salvage::SpaceCounts::inUse)},
      Field{share(&salvage::SpaceCounts::free)},
      Field{share(&salvage::SpaceCounts::deadGap)},
      Field{std::to_string(row.damage)},
      Field{std::to_string(row.warnings)},
      Field{std::to_string(row.notes)},
      Field{std::string(SummaryStatusName(row.status)), true},
      Field{row.reason, true},
      Field{row.sha256, true},
      Field{row.md5, true}};
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
    line += !f.text ? "null" : f.quoted ? text::JsonString(*f.text) : *f.text;
  }
  return line + "}";
}

}  // namespace quarvex::cli
