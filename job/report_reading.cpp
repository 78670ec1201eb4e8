#include "job/report_reading.h"

#include <utility>

#include "job/analysis_job.h"
#include "stage/options.h"

namespace quarvex::job {

using namespace quarvex::hive;

ReportReading ReadAsTheReport(std::vector<std::uint8_t> bytes, const std::string& fileName, text::CodePage codePage) {
  JobInput input;
  input.fileName = fileName;
  input.bytes = std::move(bytes);
  input.codePage = codePage;
  // The analysis runs as in a default report; only its text and the flagged keys' list are left out.
  input.options.Set(stage::Option::AnalysisInReport, false);
  input.options.Set(stage::Option::ListBadAndGhostKeys, false);
  input.clock = [] { return text::LocalDateTime{}; };
  JobEvents silent;
  JobResult result = RunJob(std::move(input), silent);
  ReportReading reading;
  reading.code = result.code;
  reading.finding = std::move(result.finding);
  reading.loadFailureReason = std::move(result.loadFailureReason);
  if (result.code == code::kOk) reading.analysis = std::move(result.analysis);
  return reading;
}

namespace {

// A link of a free list: a list's head in a block header, or an entry's NextOfs.
bool OnFreeList(const Finding& f) {
  switch (f.structure) {
    case Structure::FreeKeyNode:
    case Structure::FreeDataRecord:
      return true;
    case Structure::RgknHeader:
      return f.field == FieldName(RgknHeaderField::iERecOfs);
    case Structure::RgdbHeader:
      return f.field == FieldName(RgdbHeaderField::iERecOfs);
    default:
      return false;
  }
}

// Whether the free list the finding lies on is headed by 0: real files end an empty list with
// 0xFFFFFFFF; hand-made files of other libraries write 0, which the report's reader follows to
// the block's own header and round.
bool ListHeadedByZero(const Finding& f, const salvage::SalvagedHive& hive) {
  if (f.structure == Structure::RgknHeader || f.structure == Structure::FreeKeyNode) return hive.rgkn.iERecOfs == 0;
  if (!f.block || *f.block >= hive.blocks.size()) return false;
  return hive.blocks[*f.block].header.iERecOfs == 0;
}

struct Reason {
  const char* report;  // what the report's reader does
  const char* here;    // what the salvage reader does instead ("" when it does nothing else)
};

Reason ReasonFor(std::int32_t c) {
  switch (c) {
    case code::kHiveHeaderShort:
      return {"its reader needs the whole 32-byte file header", "here what the file holds is read"};
    case code::kHiveSignature:
      return {"its reader stops at a file that does not begin with \"CREG\"",
              "here the file is read on from its key-node block"};
    case code::kKernelHeaderShort:
      return {"its reader needs the whole 32-byte key-node block header at offset 32",
              "here what the file holds is read"};
    case code::kKernelSignature:
      return {"its reader stops at a key-node block that does not begin with \"RGKN\"",
              "here the key nodes are read all the same"};
    case code::kKeyNodeShort:
      return {"its key walk stops at a key node that lies (partly) outside the file",
              "here that link is cut and the walk goes on with the next key"};
    case code::kFreeKeyNodeShort:
      return {"its free-list reader stops at a free key node that lies (partly) outside the file",
              "here the list is cut there"};
    case code::kBlockHeaderShort:
      return {"its block table stops at a data block header that lies (partly) outside the file",
              "here the blocks the file holds are read"};
    case code::kBlockSignature:
      return {"its block table stops at a data block that does not begin with \"RGDB\"",
              "here each block is found by its size or its signature"};
    case code::kNoSuchBlock:
      return {"it finds no block table, or a key names a block beyond the block count",
              "here such a key is read as having no record"};
    case code::kIndexEmpty:
      return {"its record index holds no record", "here the keys are read without their records"};
    case code::kKeyNameShort:
    case code::kValueEntryShort:
    case code::kTextValueShort:
    case code::kDwordValueShort:
    case code::kRawValueShort:
    case code::kValueNameShort:
      return {"its reader stops at the first name or value that runs past the end of the file",
              "here the bytes the file holds are read and the rest is counted unreadable"};
    case code::kFreeRecordShort:
      return {"its free-list reader stops at a free data record that lies (partly) outside the file",
              "here the list is cut there"};
    case code::kLoadFailed:
      return {"it could not take the file in", ""};
    case code::kLinkLoop:
      return {"its walk stops where a key tree, a parent chain or a free list links back onto itself",
              "here the loop is cut at its first repeat"};
    case code::kInternalFailure:
      return {"it ran out of memory", ""};
    default:
      return {nullptr, ""};
  }
}

// Where the free list the report's reader went round on is headed by 0, when it is: the header
// that holds the head (the key-node block's, or the data block's).
std::optional<Finding> ZeroHead(const ReportReading& reading, const salvage::SalvagedHive& hive) {
  const bool listStep = reading.code == code::kLinkLoop || reading.code == code::kFreeKeyNodeShort ||
                        reading.code == code::kFreeRecordShort;
  if (!listStep || !reading.finding || !OnFreeList(*reading.finding) || !ListHeadedByZero(*reading.finding, hive))
    return std::nullopt;
  const Finding& f = *reading.finding;
  if (f.structure == Structure::RgknHeader || f.structure == Structure::FreeKeyNode)
    return FindingAt(Structure::RgknHeader, kKeyNodeBlockFileOffset, FieldName(RgknHeaderField::iERecOfs));
  return FindingAt(Structure::RgdbHeader, hive.blocks[*f.block].offset, FieldName(RgdbHeaderField::iERecOfs), *f.block);
}

}  // namespace

std::string ReportFailureReason(const ReportReading& reading, const salvage::SalvagedHive& hive) {
  if (!reading.Failed()) return {};
  if (ZeroHead(reading, hive))
    return "its free-list reader takes a free list headed by 0 as offset 0, the block's own header; "
           "here it is read as an empty list";
  const Reason r = ReasonFor(reading.code);
  std::string text = r.report ? r.report : code::Describe(reading.code);
  if (*r.here) text += std::string("; ") + r.here;
  return text;
}

std::optional<Finding> ReportFailureNote(const ReportReading& reading, const salvage::SalvagedHive& hive) {
  if (!reading.Failed()) return std::nullopt;
  // At the place its reader stopped, or for a list headed by 0 at the head.
  Finding note = ZeroHead(reading, hive).value_or(reading.finding.value_or(Finding{}));
  note.severity = Severity::Note;
  note.field = "the report";
  note.found = "fails with Fail(" + std::to_string(reading.code) + ")";
  note.expected = "(" + ReportFailureReason(reading, hive) + ")";
  return note;
}

}  // namespace quarvex::job
