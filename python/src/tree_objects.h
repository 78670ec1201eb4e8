// The Python objects of a hive's tree: a key and a value are an index into the salvage
// reader's model with a share of the hive that holds it, so they stay valid after the Hive
// object is gone. The walk holds the keys' pre-order, taken once when it starts.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "python/src/hive_core.h"

namespace quarvex::python {

struct PyKey {
  std::shared_ptr<HiveCore> core;
  std::int32_t key = browse::kTop;  // kTop: the hive's root
};

struct PyValue {
  std::shared_ptr<HiveCore> core;
  std::int32_t key = browse::kTop;
  std::size_t index = 0;  // into the model's values
};

struct PyWalk {
  std::shared_ptr<HiveCore> core;
  std::vector<std::int32_t> order;
  std::size_t next = 0;
};

// Keys below from (not from itself) in pre-order, down to maxDepth levels (0: all).
PyWalk StartWalk(std::shared_ptr<HiveCore> core, std::int32_t from, int maxDepth);

// quarvex.Key and quarvex.KeyWalk objects (BindTree makes the types first).
pybind11::object MakeKey(std::shared_ptr<HiveCore> core, std::int32_t key);
pybind11::object MakeWalk(PyWalk walk);

void BindTree(pybind11::module_& m);

}  // namespace quarvex::python
