#include "detect/codepage_choice.h"

#include <filesystem>
#include <system_error>

#include "detect/checksum_vote.h"
#include "hive/hive_image.h"
#include "text/printf.h"

namespace quarvex::detect {

std::vector<Companion> ReadCompanions(const std::string& hivePath, const std::optional<std::string>& windowsDirectory) {
  std::vector<Companion> companions;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(hivePath, ec)) return companions;
  for (const std::string& beside : CompanionSystemFiles(hivePath, windowsDirectory)) {
    std::string ignored;
    if (auto companion = hive::ReadWholeRegularFile(beside, ignored))
      companions.push_back({beside, std::move(*companion)});
  }
  return companions;
}

std::string ChoiceText(const CodePageChoice& choice) {
  return "code page " + std::string(text::CodePageName(choice.codePage)) + " (" +
         std::string(SourceName(choice.source)) + "): " + choice.reason;
}

std::vector<hive::Finding> CodePageFindings(const salvage::SalvagedHive& hive, const CodePageChoice& choice) {
  std::vector<hive::Finding> findings;
  if (!hive.isHive) return findings;
  hive::Finding note = hive::FindingAt(hive::Structure::File, hive::FileOffset{0}, "code page");
  note.severity = hive::Severity::Note;
  note.found = std::string(text::CodePageName(choice.codePage));
  note.expected = "(" + std::string(SourceName(choice.source)) + ": " + choice.reason + ")";
  findings.push_back(std::move(note));

  // Only a page whose lead-byte rule the names follow better makes the disagreement the code
  // page's fault; names that match under no rule are damage, which the key findings show.
  const std::size_t disagreeing = NamesDisagreeing(hive, choice.codePage);
  if (disagreeing == 0) return findings;
  const std::optional<VoteOutcome> votes = CodePageFromVotes(hive, CountChecksumVotes(hive));
  if (!votes || NamesDisagreeing(hive, votes->codePage) >= disagreeing) return findings;
  hive::Finding warning = hive::FindingAt(hive::Structure::File, hive::FileOffset{0}, "name checksums");
  warning.severity = hive::Severity::Warning;
  warning.found = text::Printf("%zu %s with bytes above 0x7F", disagreeing, disagreeing == 1 ? "name" : "names");
  warning.expected = "(they do not match their stored checksums under code page " +
                     std::string(text::CodePageName(choice.codePage)) + "; " + votes->reason + ": --codepage " +
                     std::string(text::CodePageName(votes->codePage)) + " reads them as written)";
  findings.push_back(std::move(warning));
  return findings;
}

}  // namespace quarvex::detect
