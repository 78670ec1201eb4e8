#include "text/control_text.h"

#include "text/hex_text.h"

namespace quarvex::text {

void AppendEscapedControl(std::string& out, char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) {
    AppendHex(out, "\\x", byte, 2);
  } else {
    out += c;
  }
}

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendEscapedControl(out, c);
  return out;
}

}  // namespace quarvex::text
