#include "export/regedit4_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "export/regedit4_lines.h"
#include "hive/key_tree_walk.h"
#include "hive/keyname.h"
#include "text/printf.h"

namespace quarvex::exporter {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

// A key's data record, as far as it could be found.
struct KeyRecord {
  enum class State { NoNumbers, NotFound, Found } state = State::NoNumbers;
  std::int64_t offset = 0;
  DataRecordHeader header;
  std::int64_t End() const { return offset + header.NextOfs; }  // the record's space ends here
};

class Exporter {
 public:
  Exporter(Hive& hive, const ExportSettings& settings, ReportLines& out)
      : hive_(hive), settings_(settings), out_(out), writer_(out, settings.codePage) {
    limit_ = settings.outputLimit != 0 ? settings.outputLimit
                                       : kExportBudgetBase + kExportBudgetPerByte * hive.hiveImage.Size();
  }

  ExportOutcome Run() {
    writer_.Start();
    RgknHeader rgkn;
    if (!hive_.ReadKernelHeader(rgkn)) return Fail(hive_.errorCode);
    root_ = rgkn.iRec1stOfs;
    const bool walked = WalkKeyTree(hive_, KeyNodeOffset(root_), [this](KeyNodeOffset offset, const KeyNode& node) {
      Visit(offset.value, node);
      if (!outcome_.code && out_.SavedSize() > limit_) {
        outcome_.failure = Printf("the export passed its limit of %zu bytes (keys nest too deep)", limit_);
        hive_.errorCode = code::kInternalFailure;
      }
    });
    if (!walked) return Fail(hive_.errorCode);
    return Done();
  }

 private:
  ExportOutcome Fail(std::int32_t failure) {
    outcome_.code = failure;
    if (outcome_.failure.empty()) outcome_.failure = code::Describe(failure);
    Comment(Printf("the export ends here: Fail(%d): %s", failure, outcome_.failure.c_str()));
    outcome_.finding = hive_.failure;
    hive_.ClearFailure();
    return Done();
  }

  ExportOutcome Done() {
    outcome_.keys = writer_.keys;
    outcome_.values = writer_.values;
    outcome_.findings = std::move(writer_.findings);
    return outcome_;
  }

  void Comment(const std::string& text) { writer_.Comment(text); }

  KeyRecord RecordOf(const KeyNode& node) {
    KeyRecord record;
    if (!node.HasDataRecord()) return record;
    const std::optional<FileOffset> offset = hive_.FindKeyRecord(node);
    // Numbers the index does not hold and an index that holds nothing at all (11) both mean
    // here: this key's record is not there.
    hive_.ClearFailure();
    // The pre-scan indexed only records whose header it read whole.
    if (!offset || !hive_.ReadDataRecordHeader(*offset, record.header)) {
      record.state = KeyRecord::State::NotFound;
      return record;
    }
    record.state = KeyRecord::State::Found;
    record.offset = offset->value;
    return record;
  }

  // The key's name as stored: up to the record's end and the file's end.
  Bytes StoredName(const KeyRecord& record) {
    const std::int64_t room = std::max<std::int64_t>(0, record.header.NextOfs - DataRecordHeader::kSize);
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(record.header.KeyL, room));
    return hive_.ReadBytes(FileOffset(record.offset + DataRecordHeader::kSize), length);
  }

  // The name as a path shows it: up to its first zero byte, line breaks as '?', or the
  // stand-in "(key OFFSET)" for a key without a record.
  std::string PathName(std::int32_t offset, const KeyRecord& record) {
    if (record.state != KeyRecord::State::Found) return StandInName(static_cast<std::uint32_t>(offset));
    return WithoutLineBreaks(UpToFirstZero(StoredName(record)));
  }

  // Chain of ancestors whose paths path_ holds the prefixes of: chain_.back() is the key last
  // given a path. A new key's parent is nearly always on it, found in constant time.
  struct Link {
    std::int32_t offset;
    std::size_t pathLength;
  };

  // A chain entry for a stand-in text that replaces ancestors that could not be found.
  static constexpr std::int32_t kStandIn = std::numeric_limits<std::int32_t>::min();

  void TruncateChain(std::size_t length) {
    while (chain_.size() > length) {
      if (chain_.back().offset != kStandIn) onChain_.erase(chain_.back().offset);
      chain_.pop_back();
    }
    path_.resize(chain_.empty() ? settings_.rootKey.size() : chain_.back().pathLength);
  }

  void Push(std::int32_t offset, const std::string& name) {
    // Nodes may share one record, so a deep chain can repeat a long name thousands of times:
    // a path is never let grow past the export's limit.
    if (path_.size() + name.size() > limit_) {
      pathTooLong_ = true;
      return;
    }
    path_ += '\\';
    path_ += name;
    chain_.push_back({offset, path_.size()});
    onChain_[offset] = chain_.size() - 1;
  }

  // Makes path_ the path of the key at `parent` (a parent link read from a node), climbing
  // its parent links for the ancestors not on the chain. The climb ends at a key on the
  // chain, at the root, at a link that is not positive (a top-level key), at a node outside
  // the file, or at a link back into the climb itself; the last two put a stand-in in the path.
  void PathOfParent(std::int32_t parent) {
    if (const auto found = onChain_.find(parent); found != onChain_.end()) {
      TruncateChain(found->second + 1);
      return;
    }
    std::vector<std::pair<std::int32_t, std::string>> climbed;  // nearest first
    std::unordered_set<std::int32_t> seen;
    std::string base;  // a stand-in that replaces the unknown part above the climb
    std::int32_t at = parent;
    std::size_t keep = 0;         // chain entries kept below the climb
    std::size_t namesLength = 0;  // of the names climbed so far
    for (;;) {
      if (at <= 0) break;
      if (namesLength > limit_) {
        pathTooLong_ = true;
        return;
      }
      if (const auto found = onChain_.find(at); found != onChain_.end()) {
        keep = found->second + 1;
        break;
      }
      if (looping_.count(at) || !seen.insert(at).second) {
        base = Printf("(parent links loop at %08X)", static_cast<std::uint32_t>(at));
        looping_.insert(seen.begin(), seen.end());
        break;
      }
      KeyNode node;
      if (!hive_.ReadKeyNode(KeyNodeOffset(at), node)) {
        hive_.ClearFailure();
        base = Printf("(parent %08X outside the file)", static_cast<std::uint32_t>(at));
        break;
      }
      if (at == root_) {
        climbed.emplace_back(at, std::string());
        break;
      }
      climbed.emplace_back(at, PathName(at, RecordOf(node)));
      namesLength += climbed.back().second.size() + 1;
      at = node.UprOfs;
    }
    TruncateChain(keep);
    if (!base.empty()) {
      path_ += '\\';
      path_ += base;
      chain_.push_back({kStandIn, path_.size()});
    }
    for (auto it = climbed.rbegin(); it != climbed.rend(); ++it) {
      if (it->first == root_) {
        TruncateChain(0);
        chain_.push_back({root_, path_.size()});
        onChain_[root_] = 0;
      } else {
        Push(it->first, it->second);
      }
    }
  }

  void Visit(std::int32_t offset, const KeyNode& node) {
    const KeyRecord record = RecordOf(node);
    if (offset == root_) {
      TruncateChain(0);
      path_ = settings_.rootKey;
      chain_.push_back({offset, path_.size()});
      onChain_[offset] = 0;
    } else {
      PathOfParent(node.UprOfs);
      if (const auto found = onChain_.find(offset); found != onChain_.end()) TruncateChain(found->second);
      Push(offset, PathName(offset, record));
    }
    if (pathTooLong_) {
      outcome_.failure = Printf("the path of key node %08X passed the export's limit of %zu bytes (keys nest too deep)",
                                static_cast<std::uint32_t>(offset), limit_);
      hive_.errorCode = code::kInternalFailure;
      return;
    }
    writer_.KeyLine(path_);
    DescribeKey(offset, node, record);
    if (record.state == KeyRecord::State::Found)
      writer_.Values(hive_.hiveImage.View(), record.offset + DataRecordHeader::kSize + record.header.KeyL, record.End(),
                     record.header.DatN);
    writer_.EndKey();
  }

  void DescribeKey(std::int32_t offset, const KeyNode& node, const KeyRecord& record) {
    const auto at = static_cast<std::uint32_t>(offset);
    switch (record.state) {
      case KeyRecord::State::NoNumbers:
        // The root key has no record in every real file: nothing to say about it.
        if (offset != root_) writer_.NoRecord(at, node.BlkNo, node.RecNo);
        return;
      case KeyRecord::State::NotFound:
        writer_.RecordNotFound(at, node.BlkNo, node.RecNo, "the file's record index");
        return;
      case KeyRecord::State::Found:
        break;
    }
    const bool pastRecord = std::int64_t{DataRecordHeader::kSize} + record.header.KeyL > record.header.NextOfs;
    writer_.DescribeName(at, StoredName(record), record.header.KeyL, pastRecord, offset == root_);
  }

  Hive& hive_;
  const ExportSettings& settings_;
  ReportLines& out_;
  Regedit4Writer writer_;
  std::size_t limit_ = 0;
  std::int32_t root_ = 0;
  ExportOutcome outcome_;
  std::vector<Link> chain_;
  std::unordered_map<std::int32_t, std::size_t> onChain_;
  std::unordered_set<std::int32_t> looping_;
  std::string path_;
  bool pathTooLong_ = false;
};

}  // namespace

ExportOutcome ExportRegedit4(Hive& hive, const ExportSettings& settings, ReportLines& out) {
  const std::int32_t before = hive.errorCode;
  std::optional<Finding> failureBefore = std::move(hive.failure);
  hive.ClearFailure();
  ExportOutcome outcome = Exporter(hive, settings, out).Run();
  hive.errorCode = before;
  hive.failure = std::move(failureBefore);
  return outcome;
}

std::string RootKeyForFileName(const std::string& path) {
  std::string stem = std::filesystem::path(path).stem().string();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (stem == "USER") return "HKEY_USERS";
  if (stem == "SYSTEM") return "HKEY_LOCAL_MACHINE";
  if (stem == "CLASSES") return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
  return "HKEY_UNKNOWN";
}

}  // namespace quarvex::exporter
