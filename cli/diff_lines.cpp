#include "cli/diff_lines.h"

#include "cli/hive_access.h"
#include "cli/value_json.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {
// Data texts longer than this are cut with "..." as the listings cut them.
constexpr std::size_t kDataLimit = 80;

bool OnlyInB(const browse::Difference& d) {
  return d.change == browse::Change::KeyAdded || d.change == browse::Change::ValueAdded;
}
}  // namespace

std::string DifferencePath(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b) {
  return OnlyInB(d) ? b.Path(d.keyB) : a.Path(d.keyA);
}

std::string DifferenceLine(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b,
                           text::CodePage codePage) {
  const char* sign = d.change == browse::Change::ValueChanged ? "~" : OnlyInB(d) ? "+" : "-";
  std::string line = std::string(sign) + ' ' + browse::EscapeControls(DifferencePath(d, a, b));
  const salvage::SalvagedValue* v = d.valueA ? d.valueA : d.valueB;
  if (!v) return line;
  line += ": " + DisplayValueName(*v, codePage) + ": ";
  if (d.change != browse::Change::ValueChanged) return line + browse::DataText(*v, codePage, kDataLimit);
  const bool typeChanged = d.valueA->type != d.valueB->type;
  if (typeChanged) line += std::string(browse::TypeName(d.valueA->type)) + ' ';
  line += browse::DataText(*d.valueA, codePage, kDataLimit) + " → ";
  if (typeChanged) line += std::string(browse::TypeName(d.valueB->type)) + ' ';
  return line + browse::DataText(*d.valueB, codePage, kDataLimit);
}

std::string DifferenceJson(const browse::Difference& d, const browse::HiveView& a, const browse::HiveView& b) {
  static const char* const kNames[] = {"key added", "key removed", "value added", "value removed", "value changed"};
  std::string json = std::string("{\"change\": \"") + kNames[static_cast<int>(d.change)] +
                     "\", \"path\": " + text::JsonString(DifferencePath(d, a, b));
  if (d.valueA) json += ", \"old\": " + ValueJson(*d.valueA, a);
  if (d.valueB) json += ", \"new\": " + ValueJson(*d.valueB, b);
  return json + "}";
}

}  // namespace quarvex::cli
