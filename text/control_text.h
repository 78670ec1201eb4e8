// Control characters made visible: a name or value may hold any byte but a zero, and a control
// character printed as it is would break a line or move a terminal's cursor. Each one (and DEL)
// is written as \xNN; every other byte, UTF-8 included, stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace quarvex::text {

// Appends c, or \xNN for a control character or DEL.
void AppendEscapedControl(std::string& out, char c);
// The text with its control characters (and DEL) as \xNN.
std::string EscapeControls(std::string_view text);

}  // namespace quarvex::text
