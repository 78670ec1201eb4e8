// Shared by the structure report tests: the option sets they run with and a way to pick one
// section out of a report.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {

// The boxes as the window opens them, with the structure report on. The analyser is off so
// that the report holds the header and the structure report alone.
inline AnalysisOptions ReportOptions(std::initializer_list<Option> on = {}, std::initializer_list<Option> off = {}) {
  AnalysisOptions o = AnalysisOptions::Initial();
  o.Set(Option::StructureReport, true);
  o.Set(Option::Analyse, false);
  for (Option x : on) o.Set(x, true);
  for (Option x : off) o.Set(x, false);
  return o;
}

// "Select All" on the Options page, analyser off.
inline AnalysisOptions EveryOption(std::initializer_list<Option> off = {}) {
  AnalysisOptions o = AnalysisOptions::Initial();
  o.SelectAll();
  o.Set(Option::Analyse, false);
  for (Option x : off) o.Set(x, false);
  return o;
}

// The lines from the first one equal to `title` up to and including the next empty line.
inline std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& title) {
  auto begin = std::find(lines.begin(), lines.end(), title);
  if (begin == lines.end()) return {};
  auto end = std::find(begin, lines.end(), std::string());
  return std::vector<std::string>(begin, end == lines.end() ? end : end + 1);
}

inline std::size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

inline const char* const kKeyNodeColumns = " __offset:____Attr __Chksum ____Unk1 __UprOfs __LwrOfs _NextOfs Blk# Rec#";
inline const char* const kFreeKeyNodeColumns = " __offset:____Attr ____Size _NextOfs";
inline const char* const kRecordColumns = " ____addr(Blk#:Rec#) _NextOfs _RecSize KeyL DatN ___iUnk1";
inline const char* const kFreeRecordColumns = " ____(Blk#)____Addr ____Size _NextOfs";

}  // namespace quarvex::testing
