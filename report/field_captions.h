// The column captions of the structure report's listings, made from the field tables.
//
// A caption stands over its field's hex digits, right-aligned, '_' filling the place before
// it: "_NextOfs" over eight digits, "KeyL" over four. The columns that are no field of the
// record (the offset, the block and record numbers shown as "Blk#" and "Rec#") are given as
// text before and after.
#pragma once

#include <string>
#include <string_view>

#include "hive/field_table.h"

namespace quarvex::report {

template <typename Field>
void AppendCaption(std::string& text, Field field) {
  const hive::FieldLayout& layout = hive::FieldLayoutOf(field);
  const std::size_t digits = 2 * layout.width;
  if (layout.name.size() < digits) text.append(digits - layout.name.size(), '_');
  text.append(layout.name);
}

// `before`, the fields' captions one blank apart, then `after`.
template <typename Field, typename... Fields>
std::string Captions(std::string_view before, std::string_view after, Field first, Fields... rest) {
  std::string text(before);
  AppendCaption(text, first);
  ((text.push_back(' '), AppendCaption(text, rest)), ...);
  text.append(after);
  return text;
}

}  // namespace quarvex::report
