#include "salvage/salvage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <optional>
#include <string_view>
#include <utility>

#include "hive/keyname.h"
#include "salvage/record_evidence.h"
#include "text/text_encoding.h"

namespace quarvex::salvage {

using namespace quarvex::hive;

namespace {

constexpr std::int64_t kRgknStart = 32;
constexpr std::int64_t kFirstNodeRel = 32;  // key nodes follow the 32-byte RGKN header
// Value types a 9x registry uses: none, text, expandable text, binary, DWORD, big-endian
// DWORD, link, multi-text, resource list, full resource descriptor, requirements, QWORD.
constexpr std::uint16_t kHighestKnownType = 11;

std::string Dec(std::uint64_t value) { return std::to_string(value); }
std::string HexI(std::int64_t value) { return Hex32(static_cast<std::uint32_t>(value)); }
std::string Sig(const Signature& s) { return Quoted(std::string_view(s.data(), s.size())); }

class Salvager {
 public:
  Salvager(Bytes image, const SalvageOptions& options)
      : image_(image), size_(static_cast<std::int64_t>(image.size())), options_(options),
        leadBytes_(text::LeadByteSet::For(options.codePage)) {
    out_.image = image;
  }

  SalvagedHive Run() {
    if (!ReadFileHeader()) return Finish();
    if (!ReadKeyNodeHeader()) return Finish();
    LocateBlocks();
    for (std::size_t b = 0; b < out_.blocks.size(); ++b) ReadRecordChain(b);
    IndexRecords();
    for (std::size_t b = 0; b < out_.blocks.size(); ++b) WalkFreeRecords(b);
    WalkKeyTree();
    ChooseRecords();
    WalkFreeKeyNodes();
    ScanKeyNodeArea();
    ReportOrphans();
    NoteRootRecord();
    return Finish();
  }

 private:
  // ---- small helpers -------------------------------------------------------------------

  // A root whose record names it with nothing (Windows 95 writes one zero byte) is read as the
  // unnamed root: said once, so that a path that starts below it is not taken for a lost level.
  void NoteRootRecord() {
    if (out_.keys.empty() || out_.keys[0].record == kNoIndex || !IsUnnamedRoot(out_.keys[0])) return;
    const SalvagedRecord& r = out_.records[static_cast<std::size_t>(out_.keys[0].record)];
    std::string found = "\"\" (" + std::to_string(r.header.KeyL) + (r.header.KeyL == 1 ? " byte" : " bytes");
    if (!r.name.empty() && r.name[0] == 0) found += ", a zero byte";
    AddForRecord(Severity::Note, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo, "key name",
                 found + ")", "the root key: it adds no level to the paths below it");
  }

  Finding& Add(Severity severity, Structure structure, std::int64_t offset, std::string field,
               std::string found = {}, std::string expected = {}) {
    Finding f;
    f.severity = severity;
    f.structure = structure;
    f.offset = FileOffset(offset);
    f.field = std::move(field);
    f.found = std::move(found);
    f.expected = std::move(expected);
    out_.findings.push_back(std::move(f));
    findingOrder_.push_back(orderFor_ ? *orderFor_ : nextOrder_++);
    findingKey_.push_back(kNoIndex);
    return out_.findings.back();
  }
  // The key's path is written into the finding at the end, when every key's record is known.
  Finding& AddForKey(Severity severity, Structure structure, std::int64_t offset, std::size_t key,
                     std::string field, std::string found = {}, std::string expected = {}) {
    Finding& f = Add(severity, structure, offset, std::move(field), std::move(found), std::move(expected));
    findingKey_.back() = static_cast<std::int32_t>(key);
    return f;
  }
  std::string PathText(std::size_t key) const {
    return text::CodePageToUtf8(out_.KeyPathBytes(key), options_.codePage);
  }
  Finding& AddForRecord(Severity severity, Structure structure, std::int64_t offset, std::uint32_t block,
                        std::uint16_t recNo, std::string field, std::string found = {},
                        std::string expected = {}) {
    Finding& f = Add(severity, structure, offset, std::move(field), std::move(found), std::move(expected));
    f.block = block;
    if (recNo != kNoNumber) f.record = recNo;
    return f;
  }

  bool HasSignature(std::int64_t at, const Signature& sig) const {
    return at >= 0 && at + 4 <= size_ && std::memcmp(image_.data() + at, sig.data(), 4) == 0;
  }
  // The next "RGDB" at or after from, or -1. Each search starts past the previous hit, so the
  // searches of one file cover it about once.
  std::int64_t FindBlockSignature(std::int64_t from) const {
    if (from < 0 || from >= size_) return -1;
    const auto begin = image_.begin() + static_cast<std::ptrdiff_t>(from);
    const auto it = std::search(begin, image_.end(), kRgdbSignature.begin(), kRgdbSignature.end());
    return it == image_.end() ? -1 : static_cast<std::int64_t>(it - image_.begin());
  }
  // Decodes a record from the bytes at `at`; bytes past the end of the image read as zero.
  template <typename T>
  T DecodeAt(std::int64_t at) const {
    std::array<std::uint8_t, T::kSize> bytes{};
    if (at >= 0 && at < size_) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size_ - at, static_cast<std::int64_t>(T::kSize)));
      std::memcpy(bytes.data(), image_.data() + at, n);
    }
    return T::Decode(Bytes(bytes));
  }
  Bytes Slice(std::int64_t at, std::int64_t length) const {
    if (at < 0 || at >= size_ || length <= 0) return {};
    return image_.subspan(static_cast<std::size_t>(at),
                          static_cast<std::size_t>(std::min(length, size_ - at)));
  }
  std::string BlockRange(std::size_t b) const {
    return "inside data block " + Dec(b) + " (0x" + HexI(out_.blocks[b].offset.value).substr(2) + "-0x" +
           HexI(out_.blocks[b].end).substr(2) + ")";
  }
  std::string NodeRange() const {
    return "a key node inside the key-node block (0x" + HexI(kFirstNodeRel).substr(2) + "-0x" +
           HexI(keyAreaEnd_ - kRgknStart - static_cast<std::int64_t>(KeyNode::kSize)).substr(2) + ")";
  }

  // ---- the file header and the key-node block header -----------------------------------

  bool ReadFileHeader() {
    const bool creg = HasSignature(0, kCregSignature);
    const bool rgkn = HasSignature(kRgknStart, kRgknSignature);
    out_.creg = DecodeAt<CregHeader>(0);
    if (!creg && !rgkn) {
      Add(Severity::Damage, Structure::CregHeader, 0, "signature", Sig(out_.creg.signature), Sig(kCregSignature));
      return false;
    }
    out_.isHive = true;
    if (!creg)
      Add(Severity::Damage, Structure::CregHeader, 0, "signature", Sig(out_.creg.signature),
          Sig(kCregSignature) + " (read on: the key-node block is in place)");
    if (size_ < static_cast<std::int64_t>(CregHeader::kSize) + static_cast<std::int64_t>(RgknHeader::kSize)) {
      Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
          "at least 0x00000040 (the file header and the key-node block header)");
      return false;
    }
    return true;
  }

  bool ReadKeyNodeHeader() {
    out_.rgkn = DecodeAt<RgknHeader>(kRgknStart);
    const RgknHeader& h = out_.rgkn;
    if (h.signature != kRgknSignature)
      Add(Severity::Damage, Structure::RgknHeader, kRgknStart, "signature", Sig(h.signature), Sig(kRgknSignature));

    // Where the key-node block ends and the first data block starts: both headers say it
    // (iBlkSize of RGKN, iRGDB1st of CREG); the "RGDB" signature decides when they disagree.
    const std::int64_t bySize = h.iBlkSize >= static_cast<std::int32_t>(RgknHeader::kSize) ? kRgknStart + h.iBlkSize : -1;
    const std::int64_t byHeader = out_.creg.iRGDB1st;
    firstBlock_ = -1;
    if (bySize >= 0 && bySize == byHeader) {
      rgknEnd_ = firstBlock_ = bySize;  // both headers agree: a block stands there, signature or not
    } else if (HasSignature(byHeader, kRgdbSignature) && byHeader > kRgknStart) {
      rgknEnd_ = firstBlock_ = byHeader;
      Add(Severity::Damage, Structure::RgknHeader, kRgknStart, "iBlkSize", HexI(h.iBlkSize),
          HexI(byHeader - kRgknStart) + " (the first data block starts at " + HexI(byHeader) + ")");
    } else if (bySize >= 0 && HasSignature(bySize, kRgdbSignature)) {
      rgknEnd_ = firstBlock_ = bySize;
      Add(Severity::Damage, Structure::CregHeader, 0, "iRGDB1st", HexI(byHeader),
          HexI(bySize) + " (where the key-node block ends and \"RGDB\" stands)");
    } else {
      const std::int64_t found = FindBlockSignature(kRgknStart + static_cast<std::int64_t>(RgknHeader::kSize));
      if (found >= 0) {
        rgknEnd_ = firstBlock_ = found;
        if (bySize != found)
          Add(Severity::Damage, Structure::RgknHeader, kRgknStart, "iBlkSize", HexI(h.iBlkSize),
              HexI(found - kRgknStart) + " (the first \"RGDB\" is at " + HexI(found) + ")");
        if (byHeader != found)
          Add(Severity::Damage, Structure::CregHeader, 0, "iRGDB1st", HexI(byHeader),
              HexI(found) + " (the first \"RGDB\" in the file)");
      } else {
        rgknEnd_ = bySize >= 0 ? bySize : size_;
        if (bySize < 0)
          Add(Severity::Damage, Structure::RgknHeader, kRgknStart, "iBlkSize", HexI(h.iBlkSize),
              "at least 0x00000020");
        if (bySize < 0 || bySize < size_)
          Add(Severity::Damage, Structure::CregHeader, 0, "iRGDB1st", HexI(byHeader),
              "the offset of a data block; no \"RGDB\" found in the file");
      }
    }
    keyAreaEnd_ = std::min(rgknEnd_, size_);
    if (rgknEnd_ > size_) {
      LosePastEnd(rgknEnd_);
      out_.summary.blocksPastEnd = out_.creg.wDBblks > 0;
    }
    if (rgknEnd_ > size_)
      Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
          "at least " + HexI(rgknEnd_) + " (the end of the key-node block): the file is cut short");
    return true;
  }

  // ---- data blocks ---------------------------------------------------------------------

  void LocateBlocks() {
    std::int64_t at = firstBlock_;
    bool bySignature = false;
    if (at < 0) {
      at = FindBlockSignature(keyAreaEnd_);
      if (at < 0) {
        if (out_.creg.wDBblks != 0 || keyAreaEnd_ < size_) CheckBlockCount();
        if (keyAreaEnd_ < size_) LoseTail(keyAreaEnd_);
        return;
      }
      bySignature = true;
    }
    while (at >= 0 && at < size_) {
      SalvagedBlock block;
      block.offset = FileOffset(at);
      block.foundBySignature = bySignature;
      block.header = DecodeAt<RgdbHeader>(at);
      const std::size_t index = out_.blocks.size();
      if (bySignature)
        Add(Severity::Note, Structure::RgdbHeader, at, "signature", Sig(kRgdbSignature),
            "(block found by its signature; the sizes before it do not lead here)").block =
            static_cast<std::uint32_t>(index);
      bySignature = false;
      if (!HasSignature(at, kRgdbSignature) && at + 4 <= size_)
        AddForRecord(Severity::Damage, Structure::RgdbHeader, at, static_cast<std::uint32_t>(index), kNoNumber,
                     "signature", Sig(block.header.signature), Sig(kRgdbSignature) + " (read on: the sizes before it lead here)");
      const std::int64_t claimed = block.header.iBlkSize;
      const std::int64_t claimedEnd = at + claimed;
      const bool sizeOk = claimed >= static_cast<std::int64_t>(RgdbHeader::kSize);
      std::int64_t next = -1;
      if (at + static_cast<std::int64_t>(RgdbHeader::kSize) > size_) {
        block.cut = true;
        block.end = size_;
        // The block's size field may still be in the file; if not, at least its header is gone.
        LosePastEnd(at + 8 <= size_ && sizeOk ? claimedEnd : at + static_cast<std::int64_t>(RgdbHeader::kSize));
        Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
            "at least " + HexI(at + static_cast<std::int64_t>(RgdbHeader::kSize)) +
                " (the file ends inside the header of data block " + Dec(index) + ")");
      } else if (sizeOk && (claimedEnd == size_ || (claimedEnd < size_ && (HasSignature(claimedEnd, kRgdbSignature) ||
                                                                          HeaderLeadsOn(claimedEnd))))) {
        block.end = claimedEnd;
        next = claimedEnd < size_ ? claimedEnd : -1;
      } else {
        const std::int64_t found = FindBlockSignature(at + static_cast<std::int64_t>(RgdbHeader::kSize));
        if (found >= 0) {
          block.end = next = found;
          bySignature = true;
          AddForRecord(Severity::Damage, Structure::RgdbHeader, at, static_cast<std::uint32_t>(index), kNoNumber,
                       "iBlkSize", HexI(claimed), HexI(found - at) + " (the next \"RGDB\" is at " + HexI(found) + ")");
        } else if (claimed >= static_cast<std::int64_t>(RgdbHeader::kSize) && claimedEnd > size_) {
          block.end = size_;
          block.cut = true;
          LosePastEnd(claimedEnd);
          Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
              "at least " + HexI(claimedEnd) + " (the end of data block " + Dec(index) + "): the file is cut short");
        } else if (claimed >= static_cast<std::int64_t>(RgdbHeader::kSize)) {
          block.end = claimedEnd;  // bytes after the last block
          Add(Severity::Warning, Structure::File, claimedEnd, "size", HexI(size_),
              HexI(claimedEnd) + " (the end of the last data block); " + Dec(static_cast<std::uint64_t>(size_ - claimedEnd)) +
                  " bytes follow it");
        } else {
          block.end = size_;
          AddForRecord(Severity::Damage, Structure::RgdbHeader, at, static_cast<std::uint32_t>(index), kNoNumber,
                       "iBlkSize", HexI(claimed), "at least 0x00000020; taken to run to the end of the file");
        }
      }
      out_.blocks.push_back(block);
      at = next;
    }
    CheckBlockCount();
  }

  // A data block header whose size leads to the next signature or to the file's end, though
  // its own signature may be damaged.
  bool HeaderLeadsOn(std::int64_t at) const {
    if (at + 8 > size_) return false;
    const std::int64_t size = LoadI32(image_, static_cast<std::size_t>(at + 4));
    return size >= static_cast<std::int64_t>(RgdbHeader::kSize) &&
           (at + size == size_ || HasSignature(at + size, kRgdbSignature));
  }

  void CheckBlockCount() {
    if (!out_.blocks.empty() && out_.blocks.back().cut && out_.creg.wDBblks > out_.blocks.size()) {
      // The header is right; the blocks after the cut are simply gone.
      out_.summary.blocksPastEnd = true;
      Add(Severity::Note, Structure::CregHeader, 0, "wDBblks", Hex16(out_.creg.wDBblks),
          "(data blocks " + Dec(out_.blocks.size()) + " onward lie past the end of the file)");
      return;
    }
    if (out_.creg.wDBblks != out_.blocks.size())
      Add(Severity::Damage, Structure::CregHeader, 0, "wDBblks", Hex16(out_.creg.wDBblks),
          Dec(out_.blocks.size()) + " (the data blocks in the file)");
  }

  // Bytes a header places between the file's end and `end`: taken away by a cut.
  void LosePastEnd(std::int64_t end) {
    if (end <= size_) return;
    const auto past = static_cast<std::uint64_t>(end - size_);
    out_.summary.bytesPastEnd += past;
    out_.summary.bytesLost += past;
  }

  void LoseTail(std::int64_t from) {
    out_.summary.bytesLost += static_cast<std::uint64_t>(size_ - from);
    Add(Severity::Damage, Structure::File, from, "bytes after the key-node block",
        Dec(static_cast<std::uint64_t>(size_ - from)), "a data block (\"RGDB\")");
  }

  // A plausible record header at q in block b, for picking the chain up again after a break.
  bool PlausibleRecord(std::int64_t q, std::int64_t end, std::uint16_t b) const {
    const DataRecordHeader h = DecodeAt<DataRecordHeader>(q);
    if (h.NextOfs < static_cast<std::int32_t>(FreeDataRecord::kSize) || q + h.NextOfs > end) return false;
    if (h.RecNo == kNoNumber) return h.BlkNo == kNoNumber;
    return h.BlkNo == b && h.NextOfs >= static_cast<std::int32_t>(DataRecordHeader::kSize) &&
           h.RecSize >= static_cast<std::int32_t>(DataRecordHeader::kSize) + h.KeyL && h.RecSize <= h.NextOfs;
  }

  void ReadRecordChain(std::size_t b) {
    SalvagedBlock& block = out_.blocks[b];
    const auto blockNo = static_cast<std::uint32_t>(b);
    const std::int64_t end = block.end;
    std::int64_t p = block.offset.value + static_cast<std::int64_t>(RgdbHeader::kSize);
    std::vector<std::int32_t>& frees = freeInChain_.emplace_back();
    while (p < end) {
      if (end - p < static_cast<std::int64_t>(DataRecordHeader::kSize)) {
        // A free record needs only its 12-byte header, so one smaller than a record in use may
        // close the block (what is left when a record's space is split): it is on the chain.
        const DataRecordHeader last = DecodeAt<DataRecordHeader>(p);
        if (!block.cut && end - p >= static_cast<std::int64_t>(FreeDataRecord::kSize) && last.RecNo == kNoNumber &&
            last.NextOfs == end - p) {
          ++block.freeRecords;
          frees.push_back(static_cast<std::int32_t>(p - block.offset.value));
          break;
        }
        // Too few bytes for a record header: no key's record can lie there, so nothing is lost
        // unless the file was cut inside it.
        const auto left = static_cast<std::uint64_t>(end - p);
        if (block.cut) {
          out_.summary.bytesLost += left;
          AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, kNoNumber, "header",
                       Dec(left) + " bytes", "20 bytes: the file ends inside it");
        } else {
          AddForRecord(Severity::Warning, Structure::DataRecord, p, blockNo, kNoNumber, "header",
                       Dec(left) + " bytes", "20 bytes or none before the block's end");
        }
        break;
      }
      const DataRecordHeader h = DecodeAt<DataRecordHeader>(p);
      const bool isFree = h.RecNo == kNoNumber;
      const std::int64_t least = static_cast<std::int64_t>(isFree ? FreeDataRecord::kSize : DataRecordHeader::kSize);
      const bool linkOk = h.NextOfs >= least && p + h.NextOfs <= end;
      if (isFree) {
        ++block.freeRecords;
        const std::int64_t extent = linkOk ? h.NextOfs : least;
        frees.push_back(static_cast<std::int32_t>(p - block.offset.value));
        if (linkOk) {
          p += extent;
          continue;
        }
      } else {
        std::int64_t extent = h.NextOfs;
        if (!linkOk) {
          // Read what the record itself says it holds, within the block.
          extent = h.RecSize >= least ? std::min<std::int64_t>(h.RecSize, end - p) : end - p;
        }
        ReadRecord(b, p, h, extent);
        if (linkOk) {
          p += extent;
          continue;
        }
      }
      // The chain breaks here: say so, then look for the next plausible record header.
      if (block.cut && h.NextOfs >= least) {
        AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "NextOfs", HexI(h.NextOfs),
                     "at most " + HexI(end - p) + ": the file ends inside the record");
        break;
      }
      AddForRecord(Severity::Damage, isFree ? Structure::FreeDataRecord : Structure::DataRecord, p, blockNo, h.RecNo,
                   "NextOfs", HexI(h.NextOfs),
                   "between " + Dec(static_cast<std::uint64_t>(least)) + " and " + HexI(end - p) + " (the block's end)");
      std::int64_t q = p + 4;
      if (!isFree && h.RecSize >= least && p + h.RecSize <= end) q = p + h.RecSize;
      while (q + static_cast<std::int64_t>(DataRecordHeader::kSize) <= end && !PlausibleRecord(q, end, static_cast<std::uint16_t>(b)))
        ++q;  // records lie on any byte, not on a 4-byte grid
      const std::int64_t skippedFrom = isFree ? p : p + std::max<std::int64_t>(least, std::min<std::int64_t>(h.RecSize, end - p));
      if (q + static_cast<std::int64_t>(DataRecordHeader::kSize) > end) {
        if (end > skippedFrom) out_.summary.bytesLost += static_cast<std::uint64_t>(end - skippedFrom);
        AddForRecord(Severity::Note, Structure::DataRecord, p, blockNo, kNoNumber, "record chain",
                     "ends here", "(no further record header found in the block; " +
                         Dec(end > skippedFrom ? static_cast<std::uint64_t>(end - skippedFrom) : 0) + " bytes skipped)");
        break;
      }
      if (q > skippedFrom) out_.summary.bytesLost += static_cast<std::uint64_t>(q - skippedFrom);
      AddForRecord(Severity::Note, Structure::DataRecord, q, blockNo, kNoNumber, "record chain", "resumed here",
                   "(after the break at " + HexI(p) + ")");
      p = q;
    }
    if (block.highestRecNo > block.header.wMaxRecNo && block.records > 0)
      AddForRecord(Severity::Warning, Structure::RgdbHeader, block.offset.value, blockNo, kNoNumber, "wMaxRecNo",
                   Hex16(block.header.wMaxRecNo), "at least " + Hex16(block.highestRecNo) + " (the highest record number in the block)");
  }

  void ReadRecord(std::size_t b, std::int64_t p, const DataRecordHeader& h, std::int64_t extent) {
    SalvagedBlock& block = out_.blocks[b];
    const auto blockNo = static_cast<std::uint32_t>(b);
    ++block.records;
    block.highestRecNo = std::max(block.highestRecNo, h.RecNo);
    SalvagedRecord r;
    r.offset = FileOffset(p);
    r.block = blockNo;
    r.header = h;
    r.extent = extent;
    r.firstValue = static_cast<std::uint32_t>(out_.values.size());
    const std::int64_t end = p + extent;
    if (h.BlkNo != b)
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "BlkNo", Hex16(h.BlkNo),
                   Hex16(static_cast<std::uint16_t>(b)) + " (the block it lies in)");
    std::int64_t q = p + static_cast<std::int64_t>(DataRecordHeader::kSize);
    if (q + h.KeyL > end) {
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "KeyL", Hex16(h.KeyL),
                   "at most " + HexI(std::max<std::int64_t>(0, end - q)) + " (the record's end)");
      r.name = Slice(q, end - q);
      q = end;
    } else {
      r.name = Slice(q, h.KeyL);
      q += h.KeyL;
    }
    bool valuesWhole = q <= end;
    for (std::uint32_t i = 0; i < h.DatN && valuesWhole; ++i) {
      if (q + static_cast<std::int64_t>(ValueEntry::kSize) > end) {
        AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "DatN", Hex16(h.DatN),
                     "at most " + Dec(i) + " (the values that fit in the record)");
        valuesWhole = false;
        break;
      }
      const ValueEntry v = DecodeAt<ValueEntry>(q);
      SalvagedValue value;
      value.offset = FileOffset(q);
      value.type = v.Atr;
      const std::int64_t nameAt = q + static_cast<std::int64_t>(ValueEntry::kSize);
      const std::int64_t dataAt = nameAt + v.NL;
      value.name = Slice(nameAt, std::min<std::int64_t>(v.NL, end - nameAt));
      value.data = Slice(dataAt, std::min<std::int64_t>(v.VL, end - dataAt));
      if (v.Atr > kHighestKnownType)
        AddForRecord(Severity::Warning, Structure::Value, q, blockNo, h.RecNo, "Atr", Hex16(v.Atr),
                     "a known value type (0-11)");
      if (dataAt + v.VL > end) {
        value.cut = true;
        valuesWhole = false;
        AddForRecord(Severity::Damage, Structure::Value, q, blockNo, h.RecNo, dataAt > end ? "NL" : "VL",
                     dataAt > end ? Hex16(v.NL) : Hex16(v.VL),
                     "at most " + HexI(std::max<std::int64_t>(0, (dataAt > end ? end - nameAt : end - dataAt))) +
                         " (the record's end)");
      }
      out_.values.push_back(value);
      q = dataAt + v.VL;
    }
    r.valueCount = static_cast<std::uint32_t>(out_.values.size()) - r.firstValue;
    if (valuesWhole) {
      const std::int64_t used = q - p;
      if (h.RecSize != used)
        AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "RecSize", HexI(h.RecSize),
                     HexI(used) + " (header, key name and values)");
    } else if (h.RecSize < static_cast<std::int32_t>(DataRecordHeader::kSize)) {
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, "RecSize", HexI(h.RecSize),
                   "at least 20");
    }
    out_.records.push_back(r);
  }

  // Record numbers are unique per block; the first of a duplicate is the one keys get.
  void IndexRecords() {
    index_.reserve(out_.records.size());
    for (std::size_t i = 0; i < out_.records.size(); ++i)
      index_.push_back({(std::uint64_t{out_.records[i].block} << 16) | out_.records[i].header.RecNo,
                        static_cast<std::int32_t>(i)});
    std::stable_sort(index_.begin(), index_.end(), [](const auto& a, const auto& c) { return a.first < c.first; });
    for (std::size_t i = 1; i < index_.size(); ++i) {
      if (index_[i].first != index_[i - 1].first) continue;
      SalvagedRecord& r = out_.records[static_cast<std::size_t>(index_[i].second)];
      r.duplicate = true;
      std::size_t first = i - 1;
      while (first > 0 && index_[first - 1].first == index_[i].first) --first;
      AddForRecord(Severity::Damage, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo, "RecNo",
                   Hex16(r.header.RecNo),
                   "a number not taken (the record at " +
                       HexI(out_.records[static_cast<std::size_t>(index_[first].second)].offset.value) + " has it)");
    }
  }

  std::int32_t FindRecord(std::uint16_t block, std::uint16_t recNo) const {
    const std::uint64_t key = (std::uint64_t{block} << 16) | recNo;
    const auto it = std::lower_bound(index_.begin(), index_.end(), key,
                                     [](const auto& e, std::uint64_t k) { return e.first < k; });
    return it != index_.end() && it->first == key ? it->second : kNoIndex;
  }

  void WalkFreeRecords(std::size_t b) {
    const SalvagedBlock& block = out_.blocks[b];
    const auto blockNo = static_cast<std::uint32_t>(b);
    const std::vector<std::int32_t>& chain = freeInChain_[b];  // ascending: the chain runs forward
    std::vector<bool> listed(chain.size(), false);
    std::int32_t f = block.header.iERecOfs;
    std::int64_t owner = block.offset.value;
    Structure ownerStructure = Structure::RgdbHeader;
    std::string field = "iERecOfs";
    if (f == 0) {
      AddForRecord(Severity::Warning, Structure::RgdbHeader, owner, blockNo, kNoNumber, field, HexI(0),
                   "0xFFFFFFFF for an empty free-record list (read as empty)");
      f = kNoOffset;
    }
    while (f != kNoOffset) {
      const auto it = std::lower_bound(chain.begin(), chain.end(), f);
      const bool onChain = it != chain.end() && *it == f;
      if (!onChain) {
        const std::int64_t at = block.offset.value + f;
        if (block.cut && f > 0 && at >= block.end) {
          AddForRecord(Severity::Note, ownerStructure, owner, blockNo, kNoNumber, field, HexI(f),
                       "(the free record lies past the end of the file)");
          break;
        }
        const bool inUse = f > 0 && at < block.end && InUseRecordAt(b, at);
        AddForRecord(Severity::Damage, ownerStructure, owner, blockNo, kNoNumber, field, HexI(f),
                     inUse ? "a free record, not the record in use there" : "0xFFFFFFFF or a free record of the block");
        break;
      }
      const auto pos = static_cast<std::size_t>(it - chain.begin());
      if (listed[pos]) {
        AddForRecord(Severity::Damage, ownerStructure, owner, blockNo, kNoNumber, field, HexI(f),
                     "a free record not yet on the list (the list loops back; cut here)");
        break;
      }
      listed[pos] = true;
      owner = block.offset.value + f;
      ownerStructure = Structure::FreeDataRecord;
      field = "NextOfs";
      f = DecodeAt<FreeDataRecord>(owner).NextOfs;
    }
    const auto missing = static_cast<std::size_t>(std::count(listed.begin(), listed.end(), false));
    if (missing > 0) {
      const auto first = static_cast<std::size_t>(std::find(listed.begin(), listed.end(), false) - listed.begin());
      AddForRecord(Severity::Note, Structure::FreeDataRecord, block.offset.value + chain[first], blockNo, kNoNumber,
                   "free list", Dec(missing) + " free record" + (missing == 1 ? "" : "s") + " of the chain",
                   "on the block's free-record list (their space is not reused)");
    }
  }

  bool InUseRecordAt(std::size_t b, std::int64_t at) const {
    // Records of a block are stored in chain order, so their offsets ascend within the block.
    const auto first = std::lower_bound(out_.records.begin(), out_.records.end(), b,
                                        [](const SalvagedRecord& r, std::size_t blk) { return r.block < blk; });
    const auto it = std::upper_bound(first, out_.records.end(), at, [b](std::int64_t a, const SalvagedRecord& r) {
      return r.block != b || a < r.offset.value;
    });
    if (it == first) return false;
    const SalvagedRecord& r = *(it - 1);
    return r.block == b && at < r.offset.value + std::max<std::int64_t>(r.extent, 1);
  }

  // ---- key nodes -------------------------------------------------------------------------

  bool NodeInBlock(std::int32_t rel, std::int64_t size) const {
    return rel >= kFirstNodeRel && kRgknStart + rel + size <= keyAreaEnd_;
  }
  std::size_t Slot(std::int32_t rel) const { return static_cast<std::size_t>(rel); }

  std::size_t AddKey(std::int32_t rel, const KeyNode& node, std::int32_t parent, bool lost) {
    SalvagedKey key;
    key.node = KeyNodeOffset(rel);
    key.fields = node;
    key.parent = parent;
    key.lost = lost;
    out_.keys.push_back(key);
    keyOrder_.push_back(nextOrder_++);  // the place of its record's findings
    return out_.keys.size() - 1;
  }

  // Decides the records of every key the walk read, all at once, so that where two nodes link
  // one record the evidence, not the walk's order, says whose it is; then says what it found.
  // Each key's findings keep the place in the order the key was read at.
  void ChooseRecords() {
    evidence_.emplace(out_, index_, freeInChain_, leadBytes_,
                      rgknEnd_ > size_ || (!out_.blocks.empty() && out_.blocks.back().cut), out_.creg.wDBblks);
    std::vector<std::size_t> keys(out_.keys.size());
    std::iota(keys.begin(), keys.end(), std::size_t{0});
    for (const RecordChoice& choice : evidence_->Choose(keys)) {
      orderFor_ = keyOrder_[choice.key];
      ReportRecordChoice(choice);
    }
    orderFor_.reset();
  }

  // A key found later (a lost node) is joined to its record against the choices made so far.
  void ChooseRecord(std::size_t k) {
    const std::size_t keys[] = {k};
    ReportRecordChoice(evidence_->Choose(keys).front());
  }

  // The findings of a key's record link, and of its name against the node's checksum.
  void ReportRecordChoice(const RecordChoice& c) {
    const std::size_t k = c.key;
    const SalvagedKey& key = out_.keys[k];
    const KeyNode& n = key.fields;
    const std::int64_t at = key.node.InFile().value;
    const bool read = key.record != kNoIndex;
    // Where the evidence found the record, the link's fault cost nothing here; a reader that
    // follows the link (Windows) still loses the key, so the fault stays damage.
    const std::string missing = read ? "" : "; the key's record is missing";
    switch (c.reading) {
      case LinkReading::TopLevel:
        return;
      case LinkReading::PastEnd:
        ++out_.summary.keysUnreadable;
        ++keysPastEnd_;  // one finding for all of them: the file was cut before their block
        return;
      case LinkReading::None:
        AddForKey(Severity::Damage, Structure::KeyNode, at, k, "BlkNo", Hex16(n.BlkNo),
                  "a data block (only a top-level key goes without a record and a name)");
        break;
      case LinkReading::NoBlock:
        AddForKey(Severity::Damage, Structure::KeyNode, at, k, "BlkNo", Hex16(n.BlkNo),
                  "below " + Dec(out_.blocks.size()) + " (the data blocks found)" + missing);
        break;
      case LinkReading::NoSuchRecord:
        AddForKey(Severity::Damage, Structure::KeyNode, at, k, "RecNo", Hex16(n.RecNo),
                  "a record number of data block " + Dec(n.BlkNo) + missing);
        break;
      case LinkReading::Record:
        if (c.holder != kNoIndex) {
          AddForKey(Severity::Damage, Structure::KeyNode, at, k, "RecNo", Hex16(n.RecNo),
                    "a record of its own (the key node at " +
                        HexI(out_.keys[static_cast<std::size_t>(c.holder)].node.InFile().value) + " has this one)");
        } else if (read && key.record != c.linked) {
          // The link names a record no key has, whose name is not the key's; the key's own
          // record is elsewhere in the block (or under its number in another block).
          const SalvagedRecord& own = out_.records[static_cast<std::size_t>(key.record)];
          const bool block = own.block != n.BlkNo;
          AddForKey(Severity::Damage, Structure::KeyNode, at, k, block ? "BlkNo" : "RecNo",
                    Hex16(block ? n.BlkNo : n.RecNo),
                    Hex16(block ? static_cast<std::uint16_t>(own.block) : own.header.RecNo) +
                        " (the record whose name gives the node's checksum; the name of the record the link names does not)");
        }
        break;
    }
    if (!read) ++out_.summary.keysUnreadable;
    const auto pathOf = [this](std::size_t other) { return PathText(other); };
    if (read && c.by != ChosenBy::Link)
      AddForKey(Severity::Note, Structure::KeyNode, at, k, "record", RecordNote(c, out_, pathOf));
    else if (!c.candidates.empty())
      AddForKey(Severity::Damage, Structure::KeyNode, at, k, "record candidates", CandidateList(c, out_, pathOf),
                !read ? "(the evidence does not tell which is the key's; its name and values stay unread)"
                : out_.records[static_cast<std::size_t>(key.record)].key == static_cast<std::int32_t>(k)
                    ? "(the record the link names does not give the node's checksum, and the evidence does not tell "
                      "which of these is the key's; the key is read from the record its link names)"
                    : "(the evidence does not tell which is the key's; it shows the name of the record its link "
                      "names, without values)");
    if (!read) return;
    // The sums of the record's name, which the evidence has already taken for the link.
    const NameChecksums sums = evidence_->NameSums(key.record);
    const std::uint32_t sum = sums.system;
    if (sum != n.Chksum) {
      if (sums.plain == n.Chksum)
        AddForKey(Severity::Note, Structure::KeyNode, at, k, "Chksum", Hex32(n.Chksum),
                  Hex32(sum) + " under code page " + std::string(text::CodePageName(options_.codePage)) +
                      " (the sum matches the name read as single bytes)");
      else
        AddForKey(Severity::Warning, Structure::KeyNode, at, k, "Chksum", Hex32(n.Chksum),
                  Hex32(sum) + " (the checksum of the name: a ghost key)");
    }
  }

  void WalkKeyTree() {
    const std::size_t area = static_cast<std::size_t>(std::max<std::int64_t>(0, keyAreaEnd_ - kRgknStart));
    visited_.assign(area, false);
    struct Frame {
      std::int32_t key;          // the parent of the chain, kNoIndex for the top level
      std::int32_t next;         // the next node of the chain to read
      std::int64_t owner;        // where the link to it is stored
      Structure ownerStructure;
      const char* field;
    };
    std::vector<Frame> stack{{kNoIndex, out_.rgkn.iRec1stOfs, kRgknStart, Structure::RgknHeader, "iRec1stOfs"}};
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (f.next == kNoOffset) {
        stack.pop_back();
        continue;
      }
      const std::int32_t rel = f.next;
      f.next = kNoOffset;
      auto complain = [&](std::string expected) {
        Add(Severity::Damage, f.ownerStructure, f.owner, f.field, HexI(rel), std::move(expected));
        NameOwner(f.owner);
      };
      if (!NodeInBlock(rel, static_cast<std::int64_t>(KeyNode::kSize))) {
        complain(NodeRange() + "; the link is cut and what it led to is skipped");
        continue;
      }
      if (visited_[Slot(rel)]) {
        complain("a key node not yet read (the link loops back; cut here)");
        continue;
      }
      visited_[Slot(rel)] = true;
      const KeyNode node = DecodeAt<KeyNode>(kRgknStart + rel);
      const std::int32_t parent = f.key;
      const std::int32_t expectedUpr = parent == kNoIndex ? kNoOffset : out_.keys[static_cast<std::size_t>(parent)].node.value;
      const std::size_t k = AddKey(rel, node, parent, false);
      nodeKey_.emplace_back(rel, static_cast<std::int32_t>(k));
      if (node.UprOfs != expectedUpr)
        AddForKey(Severity::Damage, Structure::KeyNode, kRgknStart + rel, k, "UprOfs", HexI(node.UprOfs),
                  HexI(expectedUpr) + (parent == kNoIndex ? " (a top-level key)" : " (the key whose child list holds it)"));
      f.next = node.NextOfs;
      f.owner = kRgknStart + rel;
      f.ownerStructure = Structure::KeyNode;
      f.field = "NextOfs";
      stack.push_back({static_cast<std::int32_t>(k), node.LwrOfs, kRgknStart + rel, Structure::KeyNode, "LwrOfs"});
    }
  }

  // The last finding, about a link stored in a key node, names that key's path.
  void NameOwner(std::int64_t owner) {
    if (owner < kRgknStart + kFirstNodeRel) return;
    findingKey_.back() = KeyAtNode(static_cast<std::int32_t>(owner - kRgknStart));
  }

  std::int32_t KeyAtNode(std::int32_t rel) const {
    // nodeKey_ is appended in walk order; lookups during the walk are rare (findings only),
    // after it the vector is sorted.
    if (nodeKeySorted_) {
      const auto it = std::lower_bound(nodeKey_.begin(), nodeKey_.end(), std::pair{rel, std::int32_t{-1}},
                                       [](const auto& a, const auto& c) { return a.first < c.first; });
      return it != nodeKey_.end() && it->first == rel ? it->second : kNoIndex;
    }
    for (auto it = nodeKey_.rbegin(); it != nodeKey_.rend(); ++it)
      if (it->first == rel) return it->second;
    return kNoIndex;
  }

  void WalkFreeKeyNodes() {
    std::int32_t f = out_.rgkn.iERecOfs;
    std::int64_t owner = kRgknStart;
    Structure ownerStructure = Structure::RgknHeader;
    std::string field = "iERecOfs";
    if (f == 0) {
      Add(Severity::Warning, Structure::RgknHeader, kRgknStart, field, HexI(0),
          "0xFFFFFFFF for an empty free key-node list (read as empty)");
      return;
    }
    std::vector<bool> seen(visited_.size(), false);
    while (f != kNoOffset) {
      if (!NodeInBlock(f, static_cast<std::int64_t>(FreeKeyNode::kSize))) {
        Add(Severity::Damage, ownerStructure, owner, field, HexI(f),
            "0xFFFFFFFF or a free area inside the key-node block; the list is cut here");
        return;
      }
      if (seen[Slot(f)]) {
        Add(Severity::Damage, ownerStructure, owner, field, HexI(f),
            "a free area not yet on the list (the list loops back; cut here)");
        return;
      }
      seen[Slot(f)] = true;
      const std::int64_t at = kRgknStart + f;
      const FreeKeyNode node = DecodeAt<FreeKeyNode>(at);
      std::int64_t size = node.Size;
      if (size < static_cast<std::int64_t>(FreeKeyNode::kSize) || at + size > keyAreaEnd_) {
        Add(Severity::Damage, Structure::FreeKeyNode, at, "Size", HexI(node.Size),
            "between 12 and " + HexI(keyAreaEnd_ - at) + " (the key-node block's end)");
        size = std::clamp<std::int64_t>(size, static_cast<std::int64_t>(FreeKeyNode::kSize), keyAreaEnd_ - at);
      }
      freeAreas_.emplace_back(f, f + size);
      owner = at;
      ownerStructure = Structure::FreeKeyNode;
      field = "NextOfs";
      f = node.NextOfs;
    }
  }

  // Sweeps the key-node block: reachable nodes and free areas must not overlap, and what lies
  // between them is either a lost key node (taken in), a dead gap too small for a node, or
  // bytes nothing accounts for.
  void ScanKeyNodeArea() {
    struct Span {
      std::int64_t begin, end;
      bool free;
    };
    std::vector<Span> spans;
    spans.reserve(nodeKey_.size() + freeAreas_.size());
    for (const auto& [rel, k] : nodeKey_) spans.push_back({rel, rel + static_cast<std::int64_t>(KeyNode::kSize), false});
    for (const auto& [b, e] : freeAreas_) spans.push_back({b, e, true});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& c) { return a.begin < c.begin; });
    std::sort(nodeKey_.begin(), nodeKey_.end());
    nodeKeySorted_ = true;

    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    std::int64_t covered = kFirstNodeRel;
    const Span* coveringSpan = nullptr;
    for (const Span& s : spans) {
      if (s.begin < covered && coveringSpan != nullptr) {
        const std::int64_t at = kRgknStart + s.begin;
        const std::string other = std::string(coveringSpan->free ? "the free area at " : "the key node at ") +
                                  HexI(kRgknStart + coveringSpan->begin);
        if (s.free) {
          Add(Severity::Damage, Structure::FreeKeyNode, at, "position", HexI(s.begin), "clear of " + other);
        } else {
          const std::int32_t k = KeyAtNode(static_cast<std::int32_t>(s.begin));
          AddForKey(Severity::Damage, Structure::KeyNode, at, static_cast<std::size_t>(k), "position", HexI(s.begin),
                    "clear of " + other + " (a node of its own)");
        }
      } else if (s.begin > covered) {
        gaps.emplace_back(covered, s.begin);
      }
      if (s.end > covered) {
        covered = s.end;
        coveringSpan = &s;
      }
    }
    const std::int64_t areaEnd = keyAreaEnd_ - kRgknStart;
    if (areaEnd > covered) gaps.emplace_back(covered, areaEnd);

    std::uint64_t deadCount = 0, deadBytes = 0;
    std::int64_t firstDead = -1;
    for (const auto& [g0, g1] : gaps) {
      std::int64_t unaccounted = g0;
      std::int64_t r = (g0 + 3) / 4 * 4;
      while (r + static_cast<std::int64_t>(KeyNode::kSize) <= g1) {
        if (TakeLostNode(static_cast<std::int32_t>(r))) {
          ReportUnaccounted(unaccounted, r, deadCount, deadBytes, firstDead);
          r += static_cast<std::int64_t>(KeyNode::kSize);
          unaccounted = r;
        } else {
          r += 4;
        }
      }
      ReportUnaccounted(unaccounted, g1, deadCount, deadBytes, firstDead);
    }
    if (deadCount > 0)
      Add(Severity::Note, Structure::KeyNode, kRgknStart + firstDead, "dead gaps",
          Dec(deadCount) + " gap" + (deadCount == 1 ? "" : "s") + " of " + Dec(deadBytes) + " bytes in all",
          "(too small for a key node; real files leave them at 4 KiB page ends)");
  }

  void ReportUnaccounted(std::int64_t from, std::int64_t to, std::uint64_t& deadCount, std::uint64_t& deadBytes,
                         std::int64_t& firstDead) {
    if (to <= from) return;
    if (to - from < static_cast<std::int64_t>(KeyNode::kSize)) {
      ++deadCount;
      deadBytes += static_cast<std::uint64_t>(to - from);
      if (firstDead < 0) firstDead = from;
      return;
    }
    Add(Severity::Warning, Structure::KeyNode, kRgknStart + from, "unaccounted bytes",
        Dec(static_cast<std::uint64_t>(to - from)), "key nodes or free areas (no key node found in them)");
  }

  // A key node in a gap that looks whole: links that are none or inside the block, and either
  // a parent already known or a record that no key has claimed.
  bool TakeLostNode(std::int32_t rel) {
    const KeyNode n = DecodeAt<KeyNode>(kRgknStart + rel);
    auto linkOk = [&](std::int32_t link) {
      return link == kNoOffset || NodeInBlock(link, static_cast<std::int64_t>(KeyNode::kSize));
    };
    if (!linkOk(n.UprOfs) || !linkOk(n.LwrOfs) || !linkOk(n.NextOfs)) return false;
    const std::int32_t parent = n.UprOfs == kNoOffset ? kNoIndex : KeyAtNode(n.UprOfs);
    std::int32_t record = kNoIndex;
    if (n.HasDataRecord() && n.BlkNo < out_.blocks.size()) record = FindRecord(n.BlkNo, n.RecNo);
    const bool unclaimed = record != kNoIndex && out_.records[static_cast<std::size_t>(record)].key == kNoIndex;
    bool evidence = false;
    if (unclaimed) {
      // A record nobody claims whose name gives the node's checksum: the two belong together.
      const Bytes name = UpToFirstZero(out_.records[static_cast<std::size_t>(record)].name);
      evidence = parent != kNoIndex || KeyNameChecksum(name, leadBytes_) == n.Chksum ||
                 KeyNameChecksumPlain(name) == n.Chksum;
    } else if (!n.HasDataRecord() && n.RecNo == kNoNumber && n.BlkNo == kNoNumber) {
      // No record: a known parent, or a top-level node whose first child names it as parent.
      evidence = parent != kNoIndex ||
                 (n.UprOfs == kNoOffset && n.LwrOfs != kNoOffset &&
                  DecodeAt<KeyNode>(kRgknStart + n.LwrOfs).UprOfs == rel);
    }
    if (!evidence) return false;
    const std::size_t k = AddKey(rel, n, parent, true);
    // Keep the lookup sorted: gaps are swept in ascending order.
    nodeKey_.insert(std::upper_bound(nodeKey_.begin(), nodeKey_.end(), std::pair{rel, std::int32_t{-1}}),
                    {rel, static_cast<std::int32_t>(k)});
    ChooseRecord(k);
    AddForKey(Severity::Damage, Structure::KeyNode, kRgknStart + rel, k, "links to it", "none",
              "a link from its parent's LwrOfs or a sibling's NextOfs (lost node, read under UprOfs " + HexI(n.UprOfs) + ")");
    return true;
  }

  // ---- cross checks ----------------------------------------------------------------------

  void ReportOrphans() {
    for (const SalvagedRecord& r : out_.records) {
      if (r.key != kNoIndex || r.duplicate) continue;
      AddForRecord(Severity::Warning, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo, "key",
                   "none, name " + Quoted(std::string_view(reinterpret_cast<const char*>(r.name.data()), r.name.size())),
                   "a key node that refers to the record (orphan record)");
    }
  }

  // Findings about a record or its values were made before the keys were known: name the key
  // that owns the record now.
  void NameRecordKeys() {
    for (Finding& f : out_.findings) {
      if (!f.keyPath.empty() || !f.block || !f.record || *f.record > kNoNumber) continue;
      if (f.structure != Structure::DataRecord && f.structure != Structure::Value) continue;
      const std::int32_t r = FindRecord(static_cast<std::uint16_t>(*f.block), static_cast<std::uint16_t>(*f.record));
      if (r == kNoIndex) continue;
      const SalvagedRecord& record = out_.records[static_cast<std::size_t>(r)];
      if (record.key == kNoIndex || f.offset.value < record.offset.value ||
          f.offset.value >= record.offset.value + std::max<std::int64_t>(record.extent, 1))
        continue;
      f.keyPath = text::CodePageToUtf8(out_.KeyPathBytes(static_cast<std::size_t>(record.key)), options_.codePage);
    }
  }

  SalvagedHive Finish() {
    if (keysPastEnd_ > 0)
      Add(Severity::Damage, Structure::File, size_, "keys whose data block lies past the end", Dec(keysPastEnd_),
          "none (their names and values are lost with the cut)");
    for (std::size_t i = 0; i < out_.findings.size(); ++i)
      if (findingKey_[i] != kNoIndex) out_.findings[i].keyPath = PathText(static_cast<std::size_t>(findingKey_[i]));
    NameRecordKeys();
    SalvageSummary& s = out_.summary;
    s.keys = out_.keys.size();
    s.blocks = out_.blocks.size();
    for (std::size_t k = 0; k < out_.keys.size(); ++k) {
      if (out_.keys[k].record == kNoIndex) continue;
      const SalvagedRecord& r = out_.records[static_cast<std::size_t>(out_.keys[k].record)];
      if (r.key != static_cast<std::int32_t>(k)) continue;  // another key's record: its values are counted there
      s.values += r.valueCount;
      if (r.header.DatN > r.valueCount) s.valuesUnreadable += r.header.DatN - r.valueCount;
    }
    SortFindings();
    for (const Finding& f : out_.findings) {
      switch (f.severity) {
        case Severity::Damage: ++s.damage; break;
        case Severity::Warning: ++s.warnings; break;
        case Severity::Note: ++s.notes; break;
      }
    }
    return std::move(out_);
  }

  // By file offset; at one offset, in the order they were made, a key's record findings at the
  // place the key was read.
  void SortFindings() {
    std::vector<std::size_t> order(out_.findings.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
      const Finding& fa = out_.findings[a];
      const Finding& fb = out_.findings[b];
      if (fa.offset != fb.offset) return fa.offset < fb.offset;
      return findingOrder_[a] < findingOrder_[b];
    });
    std::vector<Finding> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order) sorted.push_back(std::move(out_.findings[i]));
    out_.findings = std::move(sorted);
  }

  Bytes image_;
  std::int64_t size_;
  SalvageOptions options_;
  text::LeadByteSet leadBytes_;
  SalvagedHive out_;
  std::int64_t rgknEnd_ = 0;      // where the key-node block ends by its headers (may pass the file's end)
  std::int64_t keyAreaEnd_ = 0;   // the same, bounded by the file
  std::int64_t firstBlock_ = -1;
  std::vector<std::vector<std::int32_t>> freeInChain_;  // per block: block-relative offsets
  std::vector<std::pair<std::uint64_t, std::int32_t>> index_;  // (block << 16 | RecNo) -> record
  std::vector<bool> visited_;                                   // per key-node block byte
  std::vector<std::pair<std::int32_t, std::int32_t>> nodeKey_;  // node offset -> key
  bool nodeKeySorted_ = false;
  std::uint64_t keysPastEnd_ = 0;
  std::vector<std::pair<std::int64_t, std::int64_t>> freeAreas_;  // relative [begin, end)
  std::optional<RecordEvidence> evidence_;  // from the end of the key tree's walk
  // Per finding: its place among those at one offset, and the key whose path it is to name.
  std::vector<std::uint64_t> findingOrder_;
  std::vector<std::int32_t> findingKey_;
  std::uint64_t nextOrder_ = 0;
  std::optional<std::uint64_t> orderFor_;  // the place of the findings being made, when not the next
  std::vector<std::uint64_t> keyOrder_;    // per key: the place of its record's findings
};

}  // namespace

bool IsUnnamedRoot(const SalvagedKey& key) {
  return key.parent == kNoIndex && !key.lost && (key.record == kNoIndex || key.name.empty());
}

std::string SalvagedHive::KeyPathBytes(std::size_t key) const {
  std::vector<std::size_t> chain;
  for (std::int64_t k = static_cast<std::int64_t>(key); k != kNoIndex && static_cast<std::size_t>(k) < keys.size();
       k = keys[static_cast<std::size_t>(k)].parent) {
    chain.push_back(static_cast<std::size_t>(k));
    if (keys[static_cast<std::size_t>(k)].parent >= k) break;  // parents always come first; never loop
  }
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const SalvagedKey& k = keys[*it];
    if ((k.record == kNoIndex && k.parent == kNoIndex) || IsUnnamedRoot(k)) continue;
    if (!path.empty()) path += '\\';
    if (k.record == kNoIndex)
      path += "{key node " + Hex32(static_cast<std::uint32_t>(k.node.value)) + "}";
    else
      path.append(reinterpret_cast<const char*>(k.name.data()), k.name.size());
  }
  return path;
}

SalvagedHive Salvage(Bytes image, const SalvageOptions& options) { return Salvager(image, options).Run(); }

void AddFindings(SalvagedHive& hive, std::vector<Finding> findings) {
  for (Finding& f : findings) {
    switch (f.severity) {
      case Severity::Damage: ++hive.summary.damage; break;
      case Severity::Warning: ++hive.summary.warnings; break;
      case Severity::Note: ++hive.summary.notes; break;
    }
    const auto at = std::upper_bound(hive.findings.begin(), hive.findings.end(), f.offset,
                                     [](FileOffset offset, const Finding& g) { return offset < g.offset; });
    hive.findings.insert(at, std::move(f));
  }
}

}  // namespace quarvex::salvage
