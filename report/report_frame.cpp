#include "report/report_frame.h"

#include "text/printf.h"
#include "text/text_encoding.h"

namespace quarvex::report {

void WriteReportHeader(text::ReportWriter& out, const ReportHeading& h) {
  const host::HostFacts& f = h.host;
  auto cp = [&h](const std::string& utf8) { return text::Utf8ToCodePage(utf8, h.codePage); };
  out.Text(" Quarvex  <Registry Analizer>(ver " + cp(f.ProgramVersion) + ")");
  out.Empty();
  out.Text(" Execute on " + cp(f.OsText));
  out.Text("   & Internet Explorer(ver " + cp(f.IeVersion) + ")");
  out.Text("   Machine: " + cp(f.ComputerName) + "(" + cp(f.MachineType) + ")");
  out.Text(" Date: " + h.locale.DateTime(h.now));
  out.Empty();
  out.Text(" Registry Access Environment");
  out.Text("  ADVAPI32.DLL = " + cp(f.Advapi32File) + "(ver " + cp(f.Advapi32Version) + ")");
  out.Text("   Time Stamp: " + cp(f.Advapi32Stamp));
  out.Text("  KRNL386.EXE = " + cp(f.Krnl386File) + "(ver " + cp(f.Krnl386Version) + ")");
  out.Text("   Time Stamp: " + cp(f.Krnl386Stamp));
  out.Empty();
  out.Text(" Object Registry Hive");
  out.Text("  FileName: " + cp(h.fileName));
  const std::string size = h.locale.Amount(static_cast<double>(h.fileSize));
  out.Line("  FileSize: %12.12s(Bytes)", size.c_str());
  out.Empty();
}

void WriteReportClosing(text::ReportWriter& out, const text::TextLocale& locale, const text::LocalDateTime& now) {
  out.Empty();
  out.Text(" Done: " + locale.DateTime(now));
}

}  // namespace quarvex::report
