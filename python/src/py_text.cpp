#include "python/src/py_text.h"

#include <string>

#include "salvage/check_text.h"

namespace py = pybind11;

namespace quarvex::python {

py::str Str(std::string_view utf8) {
  PyObject* text = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "surrogateescape");
  if (!text) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

py::dict FindingDict(const hive::Finding& f) {
  py::dict d;
  d["severity"] = Str(hive::SeverityName(f.severity));
  d["structure"] = Str(hive::StructureName(f.structure));
  d["offset"] = f.offset.value;
  d["block"] = f.block ? py::object(py::int_(*f.block)) : py::object(py::none());
  d["record"] = f.record ? py::object(py::int_(*f.record)) : py::object(py::none());
  d["field"] = Str(f.field);
  d["found"] = Str(f.found);
  d["expected"] = Str(f.expected);
  d["keyPath"] = Str(f.keyPath);
  d["line"] = Str(salvage::FindingLine(f));
  return d;
}

py::object ParseJson(std::string_view text) { return py::module_::import("json").attr("loads")(Str(text)); }

py::object TypesAttr(const char* name) { return py::module_::import("quarvex._types").attr(name); }

}  // namespace quarvex::python
