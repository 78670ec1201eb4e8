// The extension module quarvex._quarvex: the engine's hive, keys and values, and the
// translation of the engine's failures into Python exceptions. The package quarvex
// (python/quarvex/) is its documented face.
#include <pybind11/pybind11.h>

#include "image/image_module.h"
#include "python/src/hive_core.h"
#include "python/src/py_text.h"
#include "python/src/tree_objects.h"

namespace py = pybind11;

namespace quarvex::python {
void BindHive(py::module_& m);
}

PYBIND11_MODULE(_quarvex, m) {
  using namespace quarvex::python;
  m.doc() = "The Quarvex engine for Python: read Windows 95/98/Me registry files (see the package quarvex).";
  BindTree(m);
  BindHive(m);
  m.def(
      "use_image_module_at", [](std::string path) { quarvex::image::UseImageModuleAt(std::move(path)); },
      py::arg("path"), "Where the disk image and cabinet reader is loaded from (before the first image is opened).");
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const HiveFailure& e) {
      py::object finding = e.finding ? py::object(FindingDict(*e.finding)) : py::object(py::none());
      py::object error = TypesAttr("HiveError")(Str(e.message), e.code, finding);
      PyErr_SetObject(error.get_type().ptr(), error.ptr());
    } catch (const FileProblem& e) {
      PyObject* type = e.missing ? PyExc_FileNotFoundError : PyExc_OSError;
      py::object error = py::reinterpret_borrow<py::object>(type)(e.missing ? 2 : 5, Str(e.message), Str(e.path));
      PyErr_SetObject(type, error.ptr());
    }
  });
}
