// The salvage reader's first phases: the file header, the key-node block's header, the data
// blocks where their sizes and signatures lead, each block's record chain and its free records.
#include "salvage/salvager.h"

namespace quarvex::salvage {

bool Salvager::ReadFileHeader() {
  const bool creg = HasSignature(0, kCregSignature);
  const bool rgkn = HasSignature(hive::kKeyNodeBlockStart, kRgknSignature);
  out_.creg = DecodeAt<CregHeader>(0);
  if (!creg && !rgkn) {
    Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::signature), Sig(out_.creg.signature),
        Sig(kCregSignature));
    return false;
  }
  out_.isHive = true;
  if (!creg)
    Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::signature), Sig(out_.creg.signature),
        Sig(kCregSignature) + " (read on: the key-node block is in place)");
  if (size_ < static_cast<std::int64_t>(CregHeader::kSize) + static_cast<std::int64_t>(RgknHeader::kSize)) {
    Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
        "at least 0x00000040 (the file header and the key-node block header)");
    return false;
  }
  return true;
}

bool Salvager::ReadKeyNodeHeader() {
  out_.rgkn = DecodeAt<RgknHeader>(hive::kKeyNodeBlockStart);
  const RgknHeader& h = out_.rgkn;
  if (h.signature != kRgknSignature)
    Add(Severity::Damage, Structure::RgknHeader, hive::kKeyNodeBlockStart, FieldName(RgknHeaderField::signature),
        Sig(h.signature), Sig(kRgknSignature));

  // Where the key-node block ends and the first data block starts: both headers say it
  // (iBlkSize of RGKN, iRGDB1st of CREG); the "RGDB" signature decides when they disagree.
  const std::int64_t bySize =
      h.iBlkSize >= static_cast<std::int32_t>(RgknHeader::kSize) ? hive::kKeyNodeBlockStart + h.iBlkSize : -1;
  const std::int64_t byHeader = out_.creg.iRGDB1st;
  firstBlock_ = -1;
  if (bySize >= 0 && bySize == byHeader) {
    rgknEnd_ = firstBlock_ = bySize;  // both headers agree: a block stands there, signature or not
  } else if (HasSignature(byHeader, kRgdbSignature) && byHeader > hive::kKeyNodeBlockStart) {
    rgknEnd_ = firstBlock_ = byHeader;
    Add(Severity::Damage, Structure::RgknHeader, hive::kKeyNodeBlockStart, FieldName(RgknHeaderField::iBlkSize),
        HexI(h.iBlkSize),
        HexI(byHeader - hive::kKeyNodeBlockStart) + " (the first data block starts at " + HexI(byHeader) + ")");
  } else if (bySize >= 0 && HasSignature(bySize, kRgdbSignature)) {
    rgknEnd_ = firstBlock_ = bySize;
    Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::iRGDB1st), HexI(byHeader),
        HexI(bySize) + " (where the key-node block ends and \"RGDB\" stands)");
  } else {
    const std::int64_t found =
        FindBlockSignature(hive::kKeyNodeBlockStart + static_cast<std::int64_t>(RgknHeader::kSize));
    if (found >= 0) {
      rgknEnd_ = firstBlock_ = found;
      if (bySize != found)
        Add(Severity::Damage, Structure::RgknHeader, hive::kKeyNodeBlockStart, FieldName(RgknHeaderField::iBlkSize),
            HexI(h.iBlkSize),
            HexI(found - hive::kKeyNodeBlockStart) + " (the first \"RGDB\" is at " + HexI(found) + ")");
      if (byHeader != found)
        Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::iRGDB1st), HexI(byHeader),
            HexI(found) + " (the first \"RGDB\" in the file)");
    } else {
      rgknEnd_ = bySize >= 0 ? bySize : size_;
      if (bySize < 0)
        Add(Severity::Damage, Structure::RgknHeader, hive::kKeyNodeBlockStart, FieldName(RgknHeaderField::iBlkSize),
            HexI(h.iBlkSize), "at least 0x00000020");
      if (bySize < 0 || bySize < size_)
        Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::iRGDB1st), HexI(byHeader),
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

void Salvager::LocateBlocks() {
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
      Add(Severity::Note, Structure::RgdbHeader, at, FieldName(RgdbHeaderField::signature), Sig(kRgdbSignature),
          "(block found by its signature; the sizes before it do not lead here)")
          .block = static_cast<std::uint32_t>(index);
    bySignature = false;
    if (!HasSignature(at, kRgdbSignature) && at + 4 <= size_)
      AddForRecord(Severity::Damage, Structure::RgdbHeader, at, static_cast<std::uint32_t>(index), kNoNumber,
                   FieldName(RgdbHeaderField::signature), Sig(block.header.signature),
                   Sig(kRgdbSignature) + " (read on: the sizes before it lead here)");
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
                     FieldName(RgdbHeaderField::iBlkSize), HexI(claimed),
                     HexI(found - at) + " (the next \"RGDB\" is at " + HexI(found) + ")");
      } else if (claimed >= static_cast<std::int64_t>(RgdbHeader::kSize) && claimedEnd > size_) {
        block.end = size_;
        block.cut = true;
        LosePastEnd(claimedEnd);
        Add(Severity::Damage, Structure::File, size_, "size", HexI(size_),
            "at least " + HexI(claimedEnd) + " (the end of data block " + Dec(index) + "): the file is cut short");
      } else if (claimed >= static_cast<std::int64_t>(RgdbHeader::kSize)) {
        block.end = claimedEnd;  // bytes after the last block
        Add(Severity::Warning, Structure::File, claimedEnd, "size", HexI(size_),
            HexI(claimedEnd) + " (the end of the last data block); " +
                Dec(static_cast<std::uint64_t>(size_ - claimedEnd)) + " bytes follow it");
      } else {
        block.end = size_;
        AddForRecord(Severity::Damage, Structure::RgdbHeader, at, static_cast<std::uint32_t>(index), kNoNumber,
                     FieldName(RgdbHeaderField::iBlkSize), HexI(claimed),
                     "at least 0x00000020; taken to run to the end of the file");
      }
    }
    out_.blocks.push_back(block);
    at = next;
  }
  CheckBlockCount();
}

void Salvager::CheckBlockCount() {
  if (!out_.blocks.empty() && out_.blocks.back().cut && out_.creg.wDBblks > out_.blocks.size()) {
    // The header is right; the blocks after the cut are simply gone.
    out_.summary.blocksPastEnd = true;
    Add(Severity::Note, Structure::CregHeader, 0, FieldName(CregHeaderField::wDBblks), Hex16(out_.creg.wDBblks),
        "(data blocks " + Dec(out_.blocks.size()) + " onward lie past the end of the file)");
    return;
  }
  if (out_.creg.wDBblks != out_.blocks.size())
    Add(Severity::Damage, Structure::CregHeader, 0, FieldName(CregHeaderField::wDBblks), Hex16(out_.creg.wDBblks),
        Dec(out_.blocks.size()) + " (the data blocks in the file)");
}

void Salvager::ReadRecordChain(std::size_t b) {
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
        AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, kNoNumber, "header", Dec(left) + " bytes",
                     "20 bytes: the file ends inside it");
      } else {
        AddForRecord(Severity::Warning, Structure::DataRecord, p, blockNo, kNoNumber, "header", Dec(left) + " bytes",
                     "20 bytes or none before the block's end");
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
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::NextOfs),
                   HexI(h.NextOfs), "at most " + HexI(end - p) + ": the file ends inside the record");
      break;
    }
    AddForRecord(Severity::Damage, isFree ? Structure::FreeDataRecord : Structure::DataRecord, p, blockNo, h.RecNo,
                 FieldName(DataRecordField::NextOfs), HexI(h.NextOfs),
                 "between " + Dec(static_cast<std::uint64_t>(least)) + " and " + HexI(end - p) + " (the block's end)");
    std::int64_t q = p + 4;
    if (!isFree && h.RecSize >= least && p + h.RecSize <= end) q = p + h.RecSize;
    while (q + static_cast<std::int64_t>(DataRecordHeader::kSize) <= end &&
           !PlausibleRecord(q, end, static_cast<std::uint16_t>(b)))
      ++q;  // records lie on any byte, not on a 4-byte grid
    const std::int64_t skippedFrom =
        isFree ? p : p + std::max<std::int64_t>(least, std::min<std::int64_t>(h.RecSize, end - p));
    if (q + static_cast<std::int64_t>(DataRecordHeader::kSize) > end) {
      if (end > skippedFrom) out_.summary.bytesLost += static_cast<std::uint64_t>(end - skippedFrom);
      AddForRecord(Severity::Note, Structure::DataRecord, p, blockNo, kNoNumber, "record chain", "ends here",
                   "(no further record header found in the block; " +
                       Dec(end > skippedFrom ? static_cast<std::uint64_t>(end - skippedFrom) : 0) + " bytes skipped)");
      break;
    }
    if (q > skippedFrom) out_.summary.bytesLost += static_cast<std::uint64_t>(q - skippedFrom);
    AddForRecord(Severity::Note, Structure::DataRecord, q, blockNo, kNoNumber, "record chain", "resumed here",
                 "(after the break at " + HexI(p) + ")");
    p = q;
  }
  if (block.highestRecNo > block.header.wMaxRecNo && block.records > 0)
    AddForRecord(Severity::Warning, Structure::RgdbHeader, block.offset.value, blockNo, kNoNumber,
                 FieldName(RgdbHeaderField::wMaxRecNo), Hex16(block.header.wMaxRecNo),
                 "at least " + Hex16(block.highestRecNo) + " (the highest record number in the block)");
}

void Salvager::ReadRecord(std::size_t b, std::int64_t p, const DataRecordHeader& h, std::int64_t extent) {
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
    AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::BlkNo),
                 Hex16(h.BlkNo), Hex16(static_cast<std::uint16_t>(b)) + " (the block it lies in)");
  std::int64_t q = p + static_cast<std::int64_t>(DataRecordHeader::kSize);
  if (q + h.KeyL > end) {
    AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::KeyL),
                 Hex16(h.KeyL), "at most " + HexI(std::max<std::int64_t>(0, end - q)) + " (the record's end)");
    r.name = Slice(q, end - q);
    q = end;
  } else {
    r.name = Slice(q, h.KeyL);
    q += h.KeyL;
  }
  bool valuesWhole = q <= end;
  for (std::uint32_t i = 0; i < h.DatN && valuesWhole; ++i) {
    if (q + static_cast<std::int64_t>(ValueEntry::kSize) > end) {
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::DatN),
                   Hex16(h.DatN), "at most " + Dec(i) + " (the values that fit in the record)");
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
      AddForRecord(Severity::Warning, Structure::Value, q, blockNo, h.RecNo, FieldName(ValueField::Atr), Hex16(v.Atr),
                   "a known value type (0-11)");
    if (dataAt + v.VL > end) {
      value.cut = true;
      valuesWhole = false;
      AddForRecord(Severity::Damage, Structure::Value, q, blockNo, h.RecNo,
                   dataAt > end ? FieldName(ValueField::NL) : FieldName(ValueField::VL),
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
      AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::RecSize),
                   HexI(h.RecSize), HexI(used) + " (header, key name and values)");
  } else if (h.RecSize < static_cast<std::int32_t>(DataRecordHeader::kSize)) {
    AddForRecord(Severity::Damage, Structure::DataRecord, p, blockNo, h.RecNo, FieldName(DataRecordField::RecSize),
                 HexI(h.RecSize), "at least 20");
  }
  out_.records.push_back(r);
}

// Record numbers are unique per block; the first of a duplicate is the one keys get.
void Salvager::IndexRecords() {
  index_.reserve(out_.records.size());
  for (std::size_t i = 0; i < out_.records.size(); ++i)
    index_.push_back(
        {(std::uint64_t{out_.records[i].block} << 16) | out_.records[i].header.RecNo, static_cast<std::int32_t>(i)});
  std::stable_sort(index_.begin(), index_.end(), [](const auto& a, const auto& c) { return a.first < c.first; });
  for (std::size_t i = 1; i < index_.size(); ++i) {
    if (index_[i].first != index_[i - 1].first) continue;
    SalvagedRecord& r = out_.records[static_cast<std::size_t>(index_[i].second)];
    r.duplicate = true;
    std::size_t first = i - 1;
    while (first > 0 && index_[first - 1].first == index_[i].first) --first;
    AddForRecord(Severity::Damage, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo,
                 FieldName(DataRecordField::RecNo), Hex16(r.header.RecNo),
                 "a number not taken (the record at " +
                     HexI(out_.records[static_cast<std::size_t>(index_[first].second)].offset.value) + " has it)");
  }
}

void Salvager::WalkFreeRecords(std::size_t b) {
  const SalvagedBlock& block = out_.blocks[b];
  const auto blockNo = static_cast<std::uint32_t>(b);
  const std::vector<std::int32_t>& chain = freeInChain_[b];  // ascending: the chain runs forward
  std::vector<bool> listed(chain.size(), false);
  std::int32_t f = block.header.iERecOfs;
  std::int64_t owner = block.offset.value;
  Structure ownerStructure = Structure::RgdbHeader;
  std::string_view field = FieldName(RgdbHeaderField::iERecOfs);
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
    field = FieldName(FreeDataRecordField::NextOfs);
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

bool Salvager::InUseRecordAt(std::size_t b, std::int64_t at) const {
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

}  // namespace quarvex::salvage
