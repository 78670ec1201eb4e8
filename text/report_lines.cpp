#include "text/report_lines.h"

namespace quarvex::text {

void ReportLines::WriteTo(std::ostream& out) const {
  for (std::size_t i = 0; i < Count(); ++i) {
    const std::string_view line = (*this)[i];
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.write("\r\n", 2);
  }
}

std::string ReportLines::SavedText() const {
  std::string saved;
  saved.reserve(SavedSize());
  for (std::size_t i = 0; i < Count(); ++i) {
    saved += (*this)[i];
    saved += "\r\n";
  }
  return saved;
}

}  // namespace quarvex::text
