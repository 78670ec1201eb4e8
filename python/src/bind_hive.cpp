// quarvex._quarvex.HiveCore: an opened hive and what the engine works out of it. The Python
// class quarvex.Hive (quarvex/_hive.py) wraps it with the documented face. The GIL is let go
// while the engine reads, checks, recovers and runs the faithful job.
#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "cli/value_json.h"
#include "session/code_page.h"
#include "session/hive_json.h"
#include "browse/diff.h"
#include "browse/path_lookup.h"
#include "browse/value_data.h"
#include "facts/collect.h"
#include "facts/facts_output.h"
#include "job/report_reading.h"
#include "python/src/faithful.h"
#include "python/src/py_text.h"
#include "python/src/tree_objects.h"
#include "salvage/check_text.h"
#include "text/text_encoding.h"

namespace py = pybind11;

namespace quarvex::python {

namespace {

using Core = std::shared_ptr<HiveCore>;

py::str Utf8Of(hive::Bytes bytes, text::CodePage cp) {
  return Str(text::CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), cp));
}

py::bytes BytesOf(hive::Bytes bytes) { return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size()); }

std::string CheckJson(const Core& core) {
  std::string json;
  {
    py::gil_scoped_release free;
    const session::OpenedHive& checked = core->FullCheck();
    std::string containerError;  // a container that cannot be read again is left out
    json = salvage::CheckJson(core->Name(), checked.hive,
                              session::ReportJsonMember(checked) + session::DigestJsonMembers(checked) +
                                  session::ContainerJsonMembers(checked, containerError));
  }
  return json;
}

// The decoded text or strings of a text value, as the JSON's "text" / "strings".
void AddDecoded(py::dict& d, std::uint16_t type, hive::Bytes data, text::CodePage cp) {
  if (const auto t = browse::DecodedText(type, data, cp)) d["text"] = Str(*t);
  if (const auto s = browse::DecodedStrings(type, data, cp)) {
    py::list list;
    for (const std::string& one : *s) list.append(Str(one));
    d["strings"] = list;
  }
}

// The recovered keys with the members of recover --json (data as bytes, not hex).
py::list Recovered(const Core& core) {
  const recover::Recovery* recovery = nullptr;
  {
    py::gil_scoped_release free;
    recovery = &core->Recovery();
  }
  const text::CodePage cp = core->CodePage().codePage;
  py::list out;
  for (const recover::RecoveredKey& k : recovery->keys) {
    py::dict d;
    d["offset"] = k.offset.value;
    d["block"] = k.block;
    d["recordNumber"] = k.recordNumber ? py::object(py::int_(*k.recordNumber)) : py::object(py::none());
    d["source"] = Str(recover::SourceName(k.source));
    d["name"] = Utf8Of(k.name, cp);
    d["path"] = Str(text::CodePageToUtf8(k.path, cp));
    d["parentKnown"] = k.parentKnown;
    d["pathGuessed"] = k.pathGuessed;
    d["keyNode"] = k.node ? py::object(py::int_(k.node->InFile().value)) : py::object(py::none());
    d["confidence"] = Str(recover::ConfidenceName(k.confidence));
    d["partial"] = k.partial;
    d["valuesAnnounced"] = k.valuesAnnounced;
    d["link"] = Str(recover::LinkName(k.link));
    d["olderCopy"] = k.olderCopy;
    if (k.liveCounterpart) {
      py::dict live;
      live["path"] = Str(text::CodePageToUtf8(k.liveCounterpart->path, cp));
      live["identical"] = k.liveCounterpart->identical;
      py::list changed;
      for (const recover::ValueChange& c : k.liveCounterpart->changed) {
        py::dict change;
        change["value"] = Str(text::CodePageToUtf8(c.name, cp));
        change["change"] = Str(recover::ValueChangeName(c.kind));
        changed.append(change);
      }
      live["changed"] = changed;
      d["liveCounterpart"] = live;
    } else {
      d["liveCounterpart"] = py::none();
    }
    py::list reasons;
    for (const std::string& r : k.reasons) reasons.append(Str(r));
    d["reasons"] = reasons;
    py::list values;
    for (const recover::RecoveredValue& v : k.values) {
      py::dict e;
      e["offset"] = v.offset.value;
      e["type"] = v.type;
      e["name"] = Utf8Of(v.name, cp);
      e["nameLength"] = v.nameLength;
      e["dataLength"] = v.dataLength;
      e["data"] = BytesOf(v.data);
      e["partial"] = v.partial;
      AddDecoded(e, v.type, v.data, cp);
      values.append(e);
    }
    d["values"] = values;
    out.append(d);
  }
  return out;
}

std::string FactsJson(const Core& core, const std::vector<Core>& others) {
  std::vector<Core> all{core};
  all.insert(all.end(), others.begin(), others.end());
  py::gil_scoped_release free;
  std::vector<facts::HiveSource> sources;
  for (const Core& c : all) {
    // Named with their size and digests, as quarvex-cli facts names them.
    facts::HiveSource source{c->Name(), &c->View(), &c->Recovery()};
    const session::FileDigests& digests = c->Checked().Digests();
    source.size = c->Bytes().size();
    source.sha256 = digests.sha256;
    source.md5 = digests.md5;
    sources.push_back(std::move(source));
  }
  const facts::FactsResult result = facts::CollectFacts(sources);
  return facts::FactsJson(sources, result);
}

// The differences from this hive to other, as diff --json's objects. Both are read in this
// hive's code page, as the command line reads the second file of a diff in the first's.
py::list Differences(const Core& a, Core b, bool keys, bool values) {
  std::vector<browse::Difference> diffs;
  {
    py::gil_scoped_release free;
    if (b->CodePage().codePage != a->CodePage().codePage) {
      OpenRequest again{b->Name(), b->Path(), b->Bytes(), a->CodePage().codePage, false};
      b = HiveCore::Open(std::move(again));
    }
    browse::DiffOptions options;
    options.keys = keys;
    options.values = values;
    diffs = browse::Diff(a->View(), b->View(), options);
  }
  static const char* const kNames[] = {"key added", "key removed", "value added", "value removed", "value changed"};
  py::list out;
  for (const browse::Difference& d : diffs) {
    const bool inB = d.change == browse::Change::KeyAdded || d.change == browse::Change::ValueAdded;
    py::dict e;
    e["change"] = kNames[static_cast<int>(d.change)];
    e["path"] = Str(inB ? b->View().Path(d.keyB) : a->View().Path(d.keyA));
    if (d.valueA) e["old"] = ParseJson(cli::ValueJson(*d.valueA, a->View()));
    if (d.valueB) e["new"] = ParseJson(cli::ValueJson(*d.valueB, b->View()));
    out.append(e);
  }
  return out;
}

std::optional<text::CodePage> CodePageArgument(const std::string& text) {
  std::optional<text::CodePage> named;
  if (!session::ParseCodePageArgument(text, named))
    throw py::value_error("codepage takes 'auto' or a code page (874, 932, 936, 949, 950, 1250-1258, none), not '" +
                          text + "'");
  return named;
}

Core OpenRequested(OpenRequest request) {
  py::gil_scoped_release free;
  return HiveCore::Open(std::move(request));
}

}  // namespace

void BindHive(py::module_& m) {
  py::class_<HiveCore, Core>(m, "HiveCore", "An opened hive (the engine's side of quarvex.Hive).")
      .def_property_readonly("name", [](const Core& c) { return Str(c->Name()); })
      .def_property_readonly(
          "path",
          [](const Core& c) -> py::object { return c->Path() ? py::object(Str(*c->Path())) : py::object(py::none()); })
      .def_property_readonly("size", [](const Core& c) { return c->Bytes().size(); })
      .def_property_readonly("codepage", [](const Core& c) { return Str(text::CodePageName(c->CodePage().codePage)); })
      .def_property_readonly("codepage_source",
                             [](const Core& c) { return Str(detect::SourceName(c->CodePage().source)); })
      .def_property_readonly("codepage_reason", [](const Core& c) { return Str(c->CodePage().reason); })
      .def_property_readonly("kind",
                             [](const Core& c) -> py::object {
                               const facts::HiveKind kind = facts::DetectKind(c->View());
                               if (kind == facts::HiveKind::Either) return py::none();
                               return Str(facts::HiveKindName(kind));
                             })
      .def_property_readonly("data", [](const Core& c) { return BytesOf(c->Bytes()); })
      .def_property_readonly("root", [](const Core& c) { return MakeKey(c, browse::kTop); })
      .def("find",
           [](const Core& c, const std::string& path) {
             const browse::Lookup found = browse::FindKeyPath(c->View(), path);
             py::object key = found.key ? MakeKey(c, *found.key) : py::object(py::none());
             return py::make_tuple(key, Str(found.error));
           })
      .def(
          "walk", [](const Core& c, int maxDepth) { return MakeWalk(StartWalk(c, browse::kTop, maxDepth)); },
          py::arg("max_depth") = 0)
      .def("check_json", &CheckJson)
      .def("recovered", &Recovered)
      .def("facts_json", &FactsJson)
      .def("diff", &Differences)
      .def("report",
           [](const Core& c, const std::vector<std::string>& words) {
             std::string bytes;
             {
               py::gil_scoped_release free;
               bytes = ReportBytes(*c, words);
             }
             return py::bytes(bytes);
           })
      .def("analysis_json", [](const Core& c, const std::vector<std::string>& words) {
        std::string json;
        {
          py::gil_scoped_release free;
          json = AnalysisJson(*c, words);
        }
        return json;
      });

  m.def(
      "open_path",
      [](const std::string& path, const std::string& name, const std::string& codepage, bool strict) {
        OpenRequest request{name, path, std::nullopt, CodePageArgument(codepage), strict};
        return OpenRequested(std::move(request));
      },
      py::arg("path"), py::arg("name"), py::arg("codepage"), py::arg("strict"));
  m.def(
      "open_bytes",
      [](const py::bytes& data, const std::string& name, const std::string& codepage, bool strict) {
        const std::string_view view = data;
        OpenRequest request{name, std::nullopt, std::vector<std::uint8_t>(view.begin(), view.end()),
                            CodePageArgument(codepage), strict};
        return OpenRequested(std::move(request));
      },
      py::arg("data"), py::arg("name"), py::arg("codepage"), py::arg("strict"));
}

}  // namespace quarvex::python
