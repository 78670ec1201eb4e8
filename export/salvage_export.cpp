#include "export/salvage_export.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "export/regedit4_lines.h"
#include "hive/error_codes.h"
#include "text/printf.h"
#include "text/text_encoding.h"

namespace quarvex::exporter {

using namespace quarvex::hive;
using namespace quarvex::text;
using salvage::kNoIndex;
using salvage::SalvagedHive;
using salvage::SalvagedKey;
using salvage::SalvagedRecord;

namespace {

// A finding as a comment: its severity, structure, offset, field, value and expectation, in
// the hive's code page, on one line.
std::string FindingComment(Finding finding, bool withKeyPath, CodePage codePage) {
  if (!withKeyPath) finding.keyPath.clear();
  std::string text = Utf8ToCodePage(std::string(SeverityName(finding.severity)) + ": " + finding.Text(), codePage);
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, '?');
  return text;
}

class SalvageExporter {
 public:
  SalvageExporter(const SalvagedHive& hive, const ExportSettings& settings, ReportLines& out)
      : hive_(hive), settings_(settings), out_(out), writer_(out, settings.codePage) {
    limit_ =
        settings.outputLimit != 0 ? settings.outputLimit : kExportBudgetBase + kExportBudgetPerByte * hive.image.size();
  }

  ExportOutcome Run() {
    writer_.Start();
    if (!hive_.isHive)
      return Fail(code::kHiveSignature, "no CREG or RGKN signature where a registry file has them: nothing to export");
    if (!hive_.keys.empty() && !hive_.keys[0].lost && hive_.keys[0].parent == kNoIndex) root_ = 0;
    SortFindings();
    for (const Finding* f : general_) writer_.Comment(FindingComment(*f, true, settings_.codePage));
    if (!general_.empty()) writer_.EndKey();
    std::size_t next = 0;  // into perKey_, sorted by key
    for (std::size_t k = 0; k < hive_.keys.size(); ++k) {
      std::string path;
      if (!PathOf(k, path))
        return Fail(code::kInternalFailure,
                    Printf("the path of key node %08X passed the export's limit of %zu bytes (keys nest too deep)",
                           static_cast<std::uint32_t>(hive_.keys[k].node.value), limit_));
      writer_.KeyLine(path);
      for (; next < perKey_.size() && perKey_[next].first == k; ++next)
        writer_.Comment(FindingComment(*perKey_[next].second, false, settings_.codePage));
      WriteKey(k);
      writer_.EndKey();
      if (out_.SavedSize() > limit_)
        return Fail(code::kInternalFailure,
                    Printf("the export passed its limit of %zu bytes (keys nest too deep)", limit_));
    }
    return Done();
  }

 private:
  ExportOutcome Done() {
    outcome_.keys = writer_.keys;
    outcome_.values = writer_.values;
    outcome_.findings = std::move(writer_.findings);
    return outcome_;
  }

  ExportOutcome Fail(std::int32_t failure, std::string why) {
    outcome_.code = failure;
    outcome_.failure = std::move(why);
    writer_.Comment(Printf("the export ends here: Fail(%d): %s", failure, outcome_.failure.c_str()));
    return Done();
  }

  // Each damage finding goes to the key it concerns (its node, a link stored in the node, its
  // record or a value in it), or to the comments before the first key.
  void SortFindings() {
    std::unordered_map<std::int64_t, std::size_t> keyAtNode;
    keyAtNode.reserve(hive_.keys.size());
    for (std::size_t k = 0; k < hive_.keys.size(); ++k) keyAtNode.emplace(hive_.keys[k].node.InFile().value, k);
    std::vector<std::size_t> records;  // records that belong to a key, by offset
    for (std::size_t r = 0; r < hive_.records.size(); ++r)
      if (hive_.records[r].key != kNoIndex && !hive_.records[r].duplicate) records.push_back(r);
    std::sort(records.begin(), records.end(),
              [this](std::size_t a, std::size_t b) { return hive_.records[a].offset < hive_.records[b].offset; });
    auto recordKey = [&](std::int64_t at) -> std::int32_t {
      const auto it = std::upper_bound(records.begin(), records.end(), at, [this](std::int64_t a, std::size_t r) {
        return a < hive_.records[r].offset.value;
      });
      if (it == records.begin()) return kNoIndex;
      const SalvagedRecord& r = hive_.records[*(it - 1)];
      return at < r.offset.value + std::max<std::int64_t>(r.extent, 1) ? r.key : kNoIndex;
    };
    for (const Finding& f : hive_.findings) {
      if (f.severity != Severity::Damage) continue;
      std::int32_t key = kNoIndex;
      if (f.structure == Structure::KeyNode) {
        if (const auto it = keyAtNode.find(f.offset.value); it != keyAtNode.end())
          key = static_cast<std::int32_t>(it->second);
      } else if (f.structure == Structure::DataRecord || f.structure == Structure::Value) {
        key = recordKey(f.offset.value);
      }
      if (key == kNoIndex)
        general_.push_back(&f);
      else
        perKey_.emplace_back(static_cast<std::size_t>(key), &f);
    }
    std::stable_sort(perKey_.begin(), perKey_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  }

  std::string NameOf(const SalvagedKey& key) const {
    if (key.record == kNoIndex) return StandInName(static_cast<std::uint32_t>(key.node.value));
    return WithoutLineBreaks(key.name);
  }

  // The root text, "(lost keys)" when the key or one of its ancestors is lost, and the names
  // from the topmost ancestor down (the start node has none). False when it would pass the
  // export's limit.
  bool PathOf(std::size_t k, std::string& path) const {
    if (root_ && k == *root_) {
      path = settings_.rootKey;
      return true;
    }
    std::vector<std::size_t> chain;  // the key and its ancestors, nearest first
    bool lost = false;
    std::size_t length = settings_.rootKey.size();
    for (std::int64_t at = static_cast<std::int64_t>(k); at != kNoIndex;) {
      const SalvagedKey& key = hive_.keys[static_cast<std::size_t>(at)];
      lost = lost || key.lost;
      if (!(root_ && static_cast<std::size_t>(at) == *root_)) {
        chain.push_back(static_cast<std::size_t>(at));
        length += 1 + (key.record == kNoIndex ? 16 : key.name.size());
        if (length > limit_) return false;
      }
      // Parents always come before their children, so the climb ends.
      if (key.parent >= at) break;
      at = key.parent;
    }
    path = settings_.rootKey;
    if (lost) path += std::string("\\") + kLostKeysRoot;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      path += '\\';
      path += NameOf(hive_.keys[*it]);
    }
    return true;
  }

  // What the other export says about a key's name, then its values.
  void WriteKey(std::size_t k) {
    const SalvagedKey& key = hive_.keys[k];
    const auto at = static_cast<std::uint32_t>(key.node.value);
    const bool isRoot = root_ && k == *root_;
    if (key.record == kNoIndex) {
      if (!key.fields.HasDataRecord()) {
        // The root key has no record in every real file: nothing to say about it.
        if (!isRoot) writer_.NoRecord(at, key.fields.BlkNo, key.fields.RecNo);
      } else {
        writer_.RecordNotFound(at, key.fields.BlkNo, key.fields.RecNo, "the data blocks read");
      }
      return;
    }
    const SalvagedRecord& record = hive_.records[static_cast<std::size_t>(key.record)];
    const std::int64_t nameAt = record.offset.value + DataRecordHeader::kSize;
    const bool pastRecord = nameAt + record.header.KeyL > record.offset.value + record.extent;
    writer_.DescribeName(at, record.name, record.header.KeyL, pastRecord, isRoot);
    writer_.Values(hive_.image, nameAt + record.header.KeyL, record.offset.value + record.extent, record.header.DatN);
  }

  const SalvagedHive& hive_;
  const ExportSettings& settings_;
  ReportLines& out_;
  Regedit4Writer writer_;
  std::size_t limit_ = 0;
  std::optional<std::size_t> root_;
  ExportOutcome outcome_;
  std::vector<const Finding*> general_;
  std::vector<std::pair<std::size_t, const Finding*>> perKey_;
};

}  // namespace

ExportOutcome ExportSalvaged(const SalvagedHive& hive, const ExportSettings& settings, ReportLines& out) {
  return SalvageExporter(hive, settings, out).Run();
}

}  // namespace quarvex::exporter
