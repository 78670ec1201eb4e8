// Texts and findings handed to Python. Names and data come from hostile files: every text is
// decoded with surrogateescape, so a byte sequence that is not UTF-8 never makes an attribute
// raise; the engine's UTF-8 passes through unchanged.
#pragma once

#include <pybind11/pybind11.h>

#include <string_view>

#include "hive/finding.h"

namespace quarvex::python {

pybind11::str Str(std::string_view utf8);
// A finding as the members of `quarvex-cli check --json` name them (severity, structure,
// offset, block, record, field, found, expected, keyPath, line).
pybind11::dict FindingDict(const hive::Finding& finding);
// json.loads of a document the engine wrote.
pybind11::object ParseJson(std::string_view text);
// quarvex._types.NAME, looked up once.
pybind11::object TypesAttr(const char* name);

}  // namespace quarvex::python
