// quarvex.Key, quarvex.Value and the walk over keys.
//
// A walk makes one object per key and per value and reads a few attributes of each, hundreds
// of thousands of times over a large hive, so these three are plain CPython types rather than
// pybind11 classes: an attribute is a getter the interpreter calls directly, without the
// overload dispatch and the type-table lookups that pybind11 does for every call and every
// object it returns, and an object is one allocation holding its share of the hive. The
// methods that take arguments are pybind11 functions set on the types; they are not in the
// hot path and keep pybind11's argument conversion and error messages.
#include <pybind11/stl.h>
#include <structmember.h>

#include <cstddef>
#include <new>
#include <span>
#include <string>
#include <type_traits>
#include <utility>

#include "cli/value_json.h"
#include "browse/value_data.h"
#include "browse/value_text.h"
#include "python/src/py_text.h"
#include "python/src/tree_objects.h"

namespace py = pybind11;

namespace quarvex::python {

namespace {

// The object layout: the weak reference list (keys and values can be weakly referenced, as
// pybind11 objects could) and then the C++ item, built in place and destroyed in Dealloc.
struct Head {
  PyObject_HEAD PyObject* weakrefs;
};

template <class Item>
struct Boxed : Head {
  Item item;
};

// Made once by BindTree and kept for the life of the process, as the module keeps them.
PyTypeObject* keyType = nullptr;
PyTypeObject* valueType = nullptr;
PyTypeObject* walkType = nullptr;

template <class Item>
Item& ItemOf(PyObject* self) {
  return reinterpret_cast<Boxed<Item>*>(self)->item;
}

// A new reference to a new object of type holding item; throws error_already_set when out of
// memory.
template <class Item>
PyObject* NewObject(PyTypeObject* type, Item item) {
  Boxed<Item>* object = PyObject_New(Boxed<Item>, type);
  if (!object) throw py::error_already_set();
  object->weakrefs = nullptr;
  new (&object->item) Item(std::move(item));
  return reinterpret_cast<PyObject*>(object);
}

py::object Own(PyObject* object) { return py::reinterpret_steal<py::object>(object); }

template <class Item>
void Dealloc(PyObject* self) {
  auto* object = reinterpret_cast<Boxed<Item>*>(self);
  if (object->weakrefs) PyObject_ClearWeakRefs(self);
  object->item.~Item();
  PyTypeObject* type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);  // objects of a heap type hold a reference to it
}

// Runs f, which returns a Python object, for a slot of the C API: a C++ exception becomes the
// Python exception pybind11 would have raised, and NULL is returned.
template <class F>
PyObject* Guarded(F&& f) noexcept {
  try {
    return f().release().ptr();
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const py::builtin_exception& e) {
    e.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  }
  return nullptr;
}

template <class T>
py::object ToPython(T&& value) {
  if constexpr (std::is_base_of_v<py::handle, std::decay_t<T>>)
    return std::forward<T>(value);
  else
    return py::cast(std::forward<T>(value));
}

// A getter of the getset table: Read takes the item and returns what the attribute is.
template <class Item, auto Read>
PyObject* Get(PyObject* self, void*) {
  return Guarded([self] { return ToPython(Read(ItemOf<Item>(self))); });
}

// The item of self, for the pybind11 methods, which may be called unbound on anything.
template <class Item>
const Item& Self(py::handle self, PyTypeObject* type, const char* what) {
  if (Py_TYPE(self.ptr()) != type) throw py::type_error(std::string("not a ") + what);
  return ItemOf<Item>(self.ptr());
}

const PyKey& KeySelf(py::handle self) { return Self<PyKey>(self, keyType, "quarvex.Key"); }
const PyValue& ValueSelf(py::handle self) { return Self<PyValue>(self, valueType, "quarvex.Value"); }

template <class F, class... Extra>
void AddMethod(PyTypeObject* type, const char* name, F&& f, const Extra&... extra) {
  const py::handle cls(reinterpret_cast<PyObject*>(type));
  py::setattr(cls, name, py::cpp_function(std::forward<F>(f), py::name(name), py::is_method(cls), extra...));
}

template <class Function>
void* Slot(Function function) {
  return reinterpret_cast<void*>(function);
}

// A heap type named quarvex._quarvex.NAME that Python code cannot instantiate (objects come
// from the hive), added to the module.
template <class Item>
PyTypeObject* MakeType(py::module_& m, const char* qualifiedName, const char* doc, std::vector<PyType_Slot> slots) {
  static PyMemberDef members[] = {
      {"__weaklistoffset__", T_PYSSIZET, static_cast<Py_ssize_t>(offsetof(Head, weakrefs)), READONLY, nullptr},
      {nullptr, 0, 0, 0, nullptr}};
  slots.push_back({Py_tp_dealloc, Slot(&Dealloc<Item>)});
  slots.push_back({Py_tp_doc, const_cast<char*>(doc)});
  slots.push_back({Py_tp_members, members});
  slots.push_back({0, nullptr});
  // The type's tp_name points into the name given here: a literal, which outlives it.
  PyType_Spec description{qualifiedName, static_cast<int>(sizeof(Boxed<Item>)), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots.data()};
  PyObject* type = PyType_FromSpec(&description);
  if (!type) throw py::error_already_set();
  const std::string_view name(qualifiedName);
  // The module's reference is added; ours is kept for the process.
  m.add_object(std::string(name.substr(name.rfind('.') + 1)).c_str(), py::handle(type));
  return reinterpret_cast<PyTypeObject*>(type);
}

const salvage::SalvagedValue& ValueOf(const PyValue& v) { return v.core->Checked().hive.values[v.index]; }

// What is wrong with a key, the words `quarvex-cli ls --json` has in "marks".
py::list Marks(const browse::KeyState& s) {
  py::list marks;
  for (const std::string& mark : browse::KeyStateMarks(s)) marks.append(mark);
  return marks;
}

// The findings about a key that ls lists under it: damage and warnings, not notes.
py::list KeyFindings(const PyKey& k, bool asObjects) {
  py::list out;
  const browse::HiveView& view = k.core->View();
  const py::object finding = asObjects ? TypesAttr("Finding").attr("from_json") : py::object();
  for (std::int32_t f : view.Findings(k.key)) {
    const hive::Finding& found = view.Hive().findings[static_cast<std::size_t>(f)];
    if (found.severity == hive::Severity::Note) continue;
    py::dict d = FindingDict(found);
    out.append(asObjects ? finding(d) : py::object(d["line"]));
  }
  return out;
}

py::list Subkeys(const PyKey& k) {
  const std::span<const std::int32_t> children = k.core->View().Children(k.key);
  py::list out(children.size());
  Py_ssize_t n = 0;
  for (std::int32_t child : children) PyList_SET_ITEM(out.ptr(), n++, NewObject(keyType, PyKey{k.core, child}));
  return out;
}

// All of a key's values in one call: the list is made at its size and filled in place.
py::list Values(const PyKey& k) {
  const browse::HiveView& view = k.core->View();
  const std::span<const salvage::SalvagedValue> values = view.Values(k.key);
  py::list out(values.size());
  Py_ssize_t n = 0;
  for (const salvage::SalvagedValue& v : values)
    PyList_SET_ITEM(out.ptr(), n++, NewObject(valueType, PyValue{k.core, k.key, view.ValueIndex(v)}));
  return out;
}

py::object Subkey(const PyKey& k, const std::string& name) {
  const browse::HiveView& view = k.core->View();
  const std::string wanted = browse::FoldAscii(name);
  for (std::int32_t child : view.Children(k.key))
    if (browse::FoldAscii(view.Name(child)) == wanted) return MakeKey(k.core, child);
  return py::none();
}

py::object ValueNamed(const PyKey& k, const std::string& name) {
  const browse::HiveView& view = k.core->View();
  const salvage::SalvagedValue* v = view.FindValue(k.key, name);
  if (!v) return py::none();
  return Own(NewObject(valueType, PyValue{k.core, k.key, view.ValueIndex(*v)}));
}

py::object Offset(const PyKey& k) {
  const salvage::SalvagedHive& hive = k.core->Checked().hive;
  std::optional<std::int32_t> node = k.key == browse::kTop ? k.core->RootNode() : std::optional<std::int32_t>(k.key);
  if (!node) return py::none();
  return py::int_(hive.keys[static_cast<std::size_t>(*node)].node.InFile().value);
}

py::dict KeyDict(const PyKey& k, bool values) {
  const browse::HiveView& view = k.core->View();
  py::dict d;
  d["path"] = Str(view.Path(k.key));
  d["name"] = Str(view.Name(k.key));
  d["depth"] = view.Depth(k.key);
  if (k.key != browse::kTop) d["offset"] = Offset(k);  // as ls --json: the top has no node of its own
  d["subkeys"] = view.Children(k.key).size();
  d["marks"] = Marks(view.State(k.key));
  d["findings"] = KeyFindings(k, false);
  if (values) {
    py::list list;
    for (const salvage::SalvagedValue& v : view.Values(k.key)) list.append(ParseJson(cli::ValueJson(v, view)));
    d["values"] = list;
  }
  return d;
}

// The ValueType member of a known type number, else the number.
py::object TypeObject(std::uint16_t type) {
  static PyObject* members = nullptr;  // a tuple of ValueType(0) .. ValueType(11), kept for the process
  if (!members) {
    const py::object cls = TypesAttr("ValueType");
    py::tuple t(12);
    for (std::size_t n = 0; n < 12; ++n) t[n] = cls(n);
    members = t.release().ptr();
  }
  if (type < 12) return py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(members, type));
  return py::int_(type);
}

py::object Integer(const salvage::SalvagedValue& v) {
  const auto& d = v.data;
  if ((v.type == 4 || v.type == 5) && d.size() == 4) {
    std::uint32_t n = v.type == 4 ? (d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24)
                                  : (d[3] | d[2] << 8 | d[1] << 16 | static_cast<std::uint32_t>(d[0]) << 24);
    return py::int_(n);
  }
  if (v.type == 11 && d.size() == 8) {
    std::uint64_t n = 0;
    for (std::size_t i = 8; i-- > 0;) n = n << 8 | d[i];
    return py::int_(n);
  }
  return py::none();
}

std::string KeyRepr(const PyKey& k) {
  return k.key == browse::kTop ? std::string("<quarvex.Key (root)>")
                               : "<quarvex.Key " + k.core->View().Path(k.key) + ">";
}

PyObject* KeyCompare(PyObject* a, PyObject* b, int op) {
  if ((op != Py_EQ && op != Py_NE) || Py_TYPE(a) != keyType || Py_TYPE(b) != keyType) Py_RETURN_NOTIMPLEMENTED;
  const PyKey& x = ItemOf<PyKey>(a);
  const PyKey& y = ItemOf<PyKey>(b);
  const bool equal = x.core == y.core && x.key == y.key;
  return PyBool_FromLong(equal == (op == Py_EQ));
}

Py_hash_t KeyHash(PyObject* self) {
  const PyKey& k = ItemOf<PyKey>(self);
  const auto hash = static_cast<Py_hash_t>(std::hash<const void*>()(k.core.get()) ^ std::hash<std::int32_t>()(k.key));
  return hash == -1 ? -2 : hash;  // -1 means an error to the interpreter
}

PyObject* KeyReprSlot(PyObject* self) {
  return Guarded([self] { return ToPython(Str(KeyRepr(ItemOf<PyKey>(self)))); });
}

PyObject* ValueRepr(PyObject* self) {
  return Guarded([self] {
    const PyValue& v = ItemOf<PyValue>(self);
    const auto& s = ValueOf(v);
    return ToPython(Str("<quarvex.Value " + browse::QuoteText(browse::ValueName(s, v.core->View().CodePage())) + " " +
                        browse::TypeName(s.type) + ">"));
  });
}

PyObject* WalkNext(PyObject* self) {
  PyWalk& w = ItemOf<PyWalk>(self);
  if (w.next >= w.order.size()) return nullptr;  // the end, without an exception set
  return Guarded([&w] { return Own(NewObject(keyType, PyKey{w.core, w.order[w.next++]})); });
}

Py_ssize_t WalkLength(PyObject* self) {
  const PyWalk& w = ItemOf<PyWalk>(self);
  return static_cast<Py_ssize_t>(w.order.size() - w.next);
}

PyGetSetDef keyGetters[] = {
    {"name", Get<PyKey, [](const PyKey& k) { return Str(k.core->View().Name(k.key)); }>, nullptr,
     "The key's name ('' for the root; '{key node 0x000000AC}' when its record is lost).", nullptr},
    {"path", Get<PyKey, [](const PyKey& k) { return Str(k.core->View().Path(k.key)); }>, nullptr,
     "The path from the hive's top, components apart by backslashes ('' for the root).", nullptr},
    {"offset", Get<PyKey, &Offset>, nullptr, "File offset of the key's 28-byte key node (None for a root without one).",
     nullptr},
    {"depth", Get<PyKey, [](const PyKey& k) { return k.core->View().Depth(k.key); }>, nullptr,
     "0 for the root, 1 for a top-level key, and so on.", nullptr},
    {"parent",
     Get<PyKey,
         [](const PyKey& k) -> py::object {
           if (k.key == browse::kTop) return py::none();
           return MakeKey(k.core, k.core->View().Parent(k.key));
         }>,
     nullptr, "The key above (None for the root).", nullptr},
    {"subkeys", Get<PyKey, &Subkeys>, nullptr, "The keys under this one, in the order the file links them.", nullptr},
    {"number_of_subkeys", Get<PyKey, [](const PyKey& k) { return k.core->View().Children(k.key).size(); }>, nullptr,
     "How many keys are under this one.", nullptr},
    {"values", Get<PyKey, &Values>, nullptr, "The key's values, in the order its record holds them.", nullptr},
    {"number_of_values", Get<PyKey, [](const PyKey& k) { return k.core->View().Values(k.key).size(); }>, nullptr,
     "How many values were read from the key's record.", nullptr},
    {"marks", Get<PyKey, [](const PyKey& k) { return Marks(k.core->View().State(k.key)); }>, nullptr,
     "What is wrong with the key, as ls --json says: 'lost', 'unreadable', 'values missing', 'values cut', "
     "'damaged'; empty for a sound key.",
     nullptr},
    {"findings", Get<PyKey, [](const PyKey& k) { return KeyFindings(k, true); }>, nullptr,
     "The damage and warnings about this key's node, record or values (quarvex.Finding).", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

PyGetSetDef valueGetters[] = {
    {"name",
     Get<PyValue, [](const PyValue& v) { return Str(browse::ValueName(ValueOf(v), v.core->View().CodePage())); }>,
     nullptr, "The value's name ('' for the unnamed value).", nullptr},
    {"type", Get<PyValue, [](const PyValue& v) { return TypeObject(ValueOf(v).type); }>, nullptr,
     "The type: a quarvex.ValueType for 0-11, the plain number above.", nullptr},
    {"data",
     Get<PyValue,
         [](const PyValue& v) {
           const auto& d = ValueOf(v).data;
           return py::bytes(reinterpret_cast<const char*>(d.data()), d.size());
         }>,
     nullptr, "The data bytes as stored (fewer than declared_length when the record is cut).", nullptr},
    {"text",
     Get<PyValue,
         [](const PyValue& v) -> py::object {
           const auto& s = ValueOf(v);
           const auto text = browse::DecodedText(s.type, s.data, v.core->View().CodePage());
           return text ? py::object(Str(*text)) : py::object(py::none());
         }>,
     nullptr, "A REG_SZ or REG_EXPAND_SZ value's text up to its first zero byte, decoded; None for other types.",
     nullptr},
    {"strings",
     Get<PyValue,
         [](const PyValue& v) -> py::object {
           const auto& s = ValueOf(v);
           const auto strings = browse::DecodedStrings(s.type, s.data, v.core->View().CodePage());
           if (!strings) return py::none();
           py::list out;
           for (const std::string& one : *strings) out.append(Str(one));
           return out;
         }>,
     nullptr, "A REG_MULTI_SZ value's strings, decoded; None for other types.", nullptr},
    {"integer", Get<PyValue, [](const PyValue& v) { return Integer(ValueOf(v)); }>, nullptr,
     "A REG_DWORD, REG_DWORD_BIG_ENDIAN (4 bytes) or REG_QWORD (8 bytes) as a number; None otherwise.", nullptr},
    {"display",
     Get<PyValue, [](const PyValue& v) { return Str(browse::DataText(ValueOf(v), v.core->View().CodePage())); }>,
     nullptr, "The data as `quarvex-cli get` shows it ('\"text\"', '0x0000002A (42)', hex bytes).", nullptr},
    {"offset", Get<PyValue, [](const PyValue& v) { return ValueOf(v).offset.value; }>, nullptr,
     "File offset of the value's 12-byte entry.", nullptr},
    {"cut", Get<PyValue, [](const PyValue& v) { return ValueOf(v).cut; }>, nullptr,
     "True when the name or data runs past the end of the record.", nullptr},
    {"declared_length",
     Get<PyValue, [](const PyValue& v) { return browse::DeclaredLength(ValueOf(v), v.core->Checked().hive.image); }>,
     nullptr, "The data length the value entry declares.", nullptr},
    {"key", Get<PyValue, [](const PyValue& v) { return MakeKey(v.core, v.key); }>, nullptr,
     "The key holding the value.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr}};

}  // namespace

PyWalk StartWalk(std::shared_ptr<HiveCore> core, std::int32_t from, int maxDepth) {
  PyWalk walk{std::move(core), {}, 0};
  walk.core->View().Walk(from, maxDepth, [&](std::int32_t key, int) {
    walk.order.push_back(key);
    return true;
  });
  return walk;
}

py::object MakeKey(std::shared_ptr<HiveCore> core, std::int32_t key) {
  return Own(NewObject(keyType, PyKey{std::move(core), key}));
}

py::object MakeWalk(PyWalk walk) { return Own(NewObject(walkType, std::move(walk))); }

void BindTree(py::module_& m) {
  keyType =
      MakeType<PyKey>(m, "quarvex._quarvex.Key", "A key of a hive. It keeps its hive alive; compare keys with ==.",
                      {{Py_tp_getset, keyGetters},
                       {Py_tp_richcompare, Slot(&KeyCompare)},
                       {Py_tp_hash, Slot(&KeyHash)},
                       {Py_tp_repr, Slot(&KeyReprSlot)}});
  valueType = MakeType<PyValue>(m, "quarvex._quarvex.Value", "A value of a key. It keeps its hive alive.",
                                {{Py_tp_getset, valueGetters}, {Py_tp_repr, Slot(&ValueRepr)}});
  walkType = MakeType<PyWalk>(
      m, "quarvex._quarvex.KeyWalk", "An iterator over keys in pre-order.",
      {{Py_tp_iter, Slot(&PyObject_SelfIter)}, {Py_tp_iternext, Slot(&WalkNext)}, {Py_sq_length, Slot(&WalkLength)}});

  AddMethod(
      keyType, "subkey", [](py::handle self, const std::string& name) { return Subkey(KeySelf(self), name); },
      py::arg("name"), "The subkey of that name (ASCII letters in any case; the first of equal names), or None.");
  AddMethod(
      keyType, "value", [](py::handle self, const std::string& name) { return ValueNamed(KeySelf(self), name); },
      py::arg("name"), "The value of that name ('' or '@': the unnamed value; the first of equal names), or None.");
  AddMethod(
      keyType, "walk",
      [](py::handle self, int maxDepth) {
        const PyKey& k = KeySelf(self);
        return MakeWalk(StartWalk(k.core, k.key, maxDepth));
      },
      py::arg("max_depth") = 0, "The keys below this one in pre-order (max_depth levels; 0: all).");
  AddMethod(
      keyType, "to_dict", [](py::handle self, bool values) { return KeyDict(KeySelf(self), values); },
      py::arg("values") = true,
      "The key as one object of `quarvex-cli ls -v --json` has it (without 'values' when values=False).");
  AddMethod(
      valueType, "to_dict",
      [](py::handle self) {
        const PyValue& v = ValueSelf(self);
        return ParseJson(cli::ValueJson(ValueOf(v), v.core->View()));
      },
      "The value as `quarvex-cli ls -v --json` has it (name, type, typeNumber, length, data, hex, text ...).");
}

}  // namespace quarvex::python
