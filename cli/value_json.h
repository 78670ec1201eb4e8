// A value of a hive as the JSON of ls -v, get, find and diff has it: its name and type, its
// lengths, the display text the lines show ("data"), its raw bytes ("hex") and, for text
// types, the decoded text ("text", or "strings" for REG_MULTI_SZ; browse/value_data.h).
#pragma once

#include <string>

#include "browse/data_span.h"
#include "browse/hive_view.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::cli {

std::string ValueJson(const salvage::SalvagedValue& value, const browse::HiveView& view);

// Where inside the data a search found something, or a string get --strings lists.
std::string SpanJson(const browse::DataSpan& span, text::CodePage codePage);

}  // namespace quarvex::cli
