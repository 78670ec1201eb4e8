// The analyser window's option check boxes: each option's control name ("cbKN_U"), as the
// window's settings, its command line and quarvex-cli's --set spell it, and the caption shown
// beside the box, exactly as shown (its odd spellings, trailing blanks and & shortcut markers
// included). The one table of them; it holds no Qt, so the command line reads it too.
#pragma once

#include <optional>
#include <string_view>

#include "stage/options.h"

namespace quarvex::ui {

std::string_view OptionControlName(stage::Option option);
std::optional<stage::Option> ParseOptionControlName(std::string_view name);
std::string_view OptionCaption(stage::Option option);

}  // namespace quarvex::ui
