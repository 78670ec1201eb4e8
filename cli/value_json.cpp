#include "cli/value_json.h"

#include "browse/value_data.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "text/json_text.h"

namespace quarvex::cli {

using text::JsonString;

std::string ValueJson(const salvage::SalvagedValue& v, const browse::HiveView& view) {
  const text::CodePage cp = view.CodePage();
  return "{\"name\": " + JsonString(browse::ValueName(v, cp)) + ", \"type\": " + JsonString(browse::TypeName(v.type)) +
         ", \"typeNumber\": " + std::to_string(v.type) + ", \"length\": " + std::to_string(v.data.size()) +
         ", \"declaredLength\": " + std::to_string(browse::DeclaredLength(v, view.Hive().image)) +
         ", \"cut\": " + (v.cut ? "true" : "false") + ", \"data\": " + JsonString(browse::DataText(v, cp)) +
         ", \"hex\": " + JsonString(browse::HexBytes(v.data)) + browse::DecodedDataJson(v.type, v.data, cp) + "}";
}

std::string SpanJson(const browse::DataSpan& span, text::CodePage cp) {
  std::string out = "{\"offset\": " + std::to_string(span.offset) + ", \"length\": " + std::to_string(span.length) +
                    ", \"as\": " + JsonString(browse::SpanKindName(span.kind, cp));
  if (span.kind != browse::SpanKind::Bytes) out += ", \"text\": " + JsonString(span.text);
  return out + "}";
}

}  // namespace quarvex::cli
