#include "ui/analyser/job_failure_text.h"

#include <filesystem>
#include <system_error>

#include "hive/error_codes.h"

namespace quarvex::ui {

namespace {

// -9 covers two things the user fixes differently.
std::string MissingFileText(const std::string& path) {
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_directory(path, ec)) return "is a directory, not a hive file";
  return "no such file";
}

}  // namespace

std::string JobFailureLine(const JobFailure& failure) {
  namespace code = hive::code;
  std::string line = "Fail(" + std::to_string(failure.code) + "): ";
  switch (failure.code) {
    case code::kFileMissing:
      line += MissingFileText(failure.fileName);
      break;
    case code::kNoWindowsDirForUserDat:
    case code::kNoWindowsDirForSystemDat:
      // The query refuses a folder that is not there as well as none named at all.
      line += std::string(code::Describe(failure.code)) +
              ": no Windows folder is set, or the one named is not a folder: name the WINDOWS folder with "
              "--windows-dir DIR (or QUARVEX_WINDIR), or open the file itself with Open";
      break;
    default:
      line += code::Describe(failure.code);
      break;
  }
  if (!failure.loadFailureReason.empty()) line += " (" + failure.loadFailureReason + ")";
  if (failure.finding) line += ": " + failure.finding->Text();
  return line;
}

std::string MissingWindowsFolderPanel(const char* fileName) {
  return std::string(fileName) + " (no Windows folder set)";
}

}  // namespace quarvex::ui
