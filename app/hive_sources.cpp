#include "app/hive_sources.h"

#include "app/file_digest.h"
#include "app/other_file.h"
#include "text/report_file.h"
#include "text/report_lines.h"

namespace quarvex::cli {

LoadedHives LoadHives(std::string_view command, const std::vector<std::string>& files,
                      std::optional<text::CodePage> codePage, bool withRecovered, std::ostream& err) {
  LoadedHives loaded;
  const std::string prefix = "quarvex-cli " + std::string(command) + ": ";
  for (const std::string& file : files) {
    std::string error;
    CheckOptions checkOptions;
    checkOptions.codePage = codePage;
    checkOptions.report = ReportCheck::Never;
    std::unique_ptr<CheckedHive> checked = CheckFile(file, checkOptions, error);
    if (!checked) {
      err << prefix << file << ": cannot read: " << error << '\n';
      loaded.someFailed = true;
      continue;
    }
    if (!checked->IsHive()) {
      err << prefix << file << ": " << checked->NotAHiveText() << '\n';
      if (const std::string hint = HivesHint(file, checked->other); !hint.empty()) err << prefix << hint << '\n';
      loaded.someFailed = true;
      continue;
    }
    auto h = std::make_unique<LoadedHive>();
    h->file = file;
    const text::CodePage hiveCodePage = checked->codePage.codePage;
    h->checked = std::move(checked);
    h->view = std::make_unique<browse::HiveView>(h->checked->hive, hiveCodePage);
    if (withRecovered) {
      recover::RecoverOptions recoverOptions;
      recoverOptions.codePage = hiveCodePage;
      h->recovery = recover::Recover(h->checked->hive, recoverOptions);
    }
    loaded.hives.push_back(std::move(h));
  }
  return loaded;
}

std::vector<facts::HiveSource> FactSources(const LoadedHives& loaded, bool withRecovered) {
  std::vector<facts::HiveSource> sources;
  for (const auto& h : loaded.hives) {
    facts::HiveSource source{h->file, h->view.get(), withRecovered ? &h->recovery : nullptr};
    const FileDigests digests = DigestsOf(h->checked->bytes);
    source.size = h->checked->bytes.size();
    source.sha256 = digests.sha256;
    source.md5 = digests.md5;
    sources.push_back(std::move(source));
  }
  return sources;
}

bool SaveDocument(const std::string& document, std::string_view lineEnd, const std::string& path, std::string& error) {
  text::ReportLines lines;
  std::size_t begin = 0;
  while (begin < document.size()) {
    const std::size_t end = document.find(lineEnd, begin);
    lines.Append(std::string_view(document).substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + lineEnd.size();
  }
  return text::SaveReportLines(lines, path, error);
}

}  // namespace quarvex::cli
