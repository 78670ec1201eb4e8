#include "cli/report_boxes.h"

namespace quarvex::cli {

namespace {

using stage::Option;

constexpr ReportBox kAnalysisBoxes[] = {
    {Option::Analyse, "analyse the space and the key-name checksums"},
    {Option::AnalysisInReport, "write the analysis into the report"},
    {Option::ListBadAndGhostKeys, "list the paths of bad and ghost keys"},
    {Option::MinimiseWhileAnalysing, "minimise the window while it works (no effect here)"},
};

constexpr ReportBox kStructureBoxes[] = {
    {Option::StructureReport, "append the structure report"},
    {Option::PrescanRecordHeaders, "trace the pre-scan at every data record header"},
    {Option::HeaderInfo, "the file header (CREG)"},
    {Option::KeyNodeBlockInfo, "the key-node block header (RGKN)"},
    {Option::KeyNodesInUse, "list the key nodes in use"},
    {Option::KeyNodesInUseCount, "  with their count"},
    {Option::FreeKeyNodes, "list the free key-node areas"},
    {Option::FreeKeyNodesCount, "  with their count"},
    {Option::DataBlockInfo, "every data block header (RGDB)"},
    {Option::DataBlockCount, "  with the count of headers and of records"},
    {Option::RecordsInUse, "list the data records in use"},
    {Option::RecordsInUseGauge, "  with the column ruler over every record"},
    {Option::RecordsInUseChecksum, "  with each key name's checksum"},
    {Option::RecordsInUseData, "  with every value's data expanded"},
    {Option::RecordsInUseCount, "  with their count"},
    {Option::FreeRecords, "list the free data records"},
    {Option::FreeRecordsCount, "  with their count"},
};

}  // namespace

std::span<const ReportBox> AnalysisBoxes() { return kAnalysisBoxes; }
std::span<const ReportBox> StructureBoxes() { return kStructureBoxes; }

}  // namespace quarvex::cli
