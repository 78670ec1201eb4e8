// The seven sections of the structure report, in the order the driver runs them. Each frames
// itself (title, lines, closing empty line) and reads its own option boxes. A section that
// fails leaves its code in the job's status code and adds neither its total line nor its
// closing empty line; the lines it added before stay in the report.
#pragma once

#include <cstdint>

#include "report/section_output.h"

namespace quarvex::report {

// The CREG file header as the job read it; cannot fail.
void ReportHiveHeader(SectionOutput& out);
// The RGKN key-node block header, read again: 3 short, 4 not "RGKN".
void ReportKernelHeader(SectionOutput& out);
// Every key node in tree order: 3, 4, 5, or code::kLinkLoop when the tree links back.
void ListUsingKeyNodes(SectionOutput& out);
// The key-node block's free list: 3, 4, 6, or code::kLinkLoop.
void ListEmptyKeyNodes(SectionOutput& out);
// Every RGDB data block header: 9.
void ReportDataBlockHeaders(SectionOutput& out);
// Every indexed data record, optionally with its values: 11, 13, and the value codes below.
void ListUsingDataRecords(SectionOutput& out);
// Every data block's free list: 9, 19, or code::kLinkLoop.
void ListEmptyDataRecords(SectionOutput& out);

// The value lines of one data record (whose header is `record`): its DatN values from file
// offset `first`, two lines each. False with 14, 16, 17, 18 or code::kValueNameShort when a
// read comes back short.
bool ListValues(SectionOutput& out, hive::FileOffset first, std::uint16_t count, const hive::DataRecordHeader& record);

}  // namespace quarvex::report
