#include "cli/hive_sources.h"

#include "session/container_digests.h"
#include "session/file_digest.h"
#include "session/other_file.h"
#include "text/report_file.h"
#include "text/report_lines.h"

namespace quarvex::cli {

LoadedHives LoadHives(std::string_view command, const std::vector<std::string>& files,
                      std::optional<text::CodePage> codePage, bool withRecovered, std::ostream& err) {
  LoadedHives loaded;
  const std::string prefix = "quarvex-cli " + std::string(command) + ": ";
  for (const std::string& file : files) {
    std::string error;
    std::unique_ptr<session::OpenedHive> opened = session::Open(
        session::HiveAddress::Parse(file), session::OpenOptions::With(codePage, session::ReportCheck::Never), error);
    if (!opened) {
      err << prefix << file << ": cannot read: " << error << '\n';
      loaded.someFailed = true;
      continue;
    }
    if (!opened->IsHive()) {
      err << prefix << file << ": " << opened->NotAHiveText() << '\n';
      if (const std::string hint = session::HivesHint(file, opened->other); !hint.empty())
        err << prefix << hint << '\n';
      loaded.someFailed = true;
      continue;
    }
    if (withRecovered) opened->Recovery();  // worked out while the files are read, not later
    loaded.hives.push_back(std::make_unique<LoadedHive>(LoadedHive{file, std::move(opened)}));
  }
  return loaded;
}

std::vector<facts::HiveSource> FactSources(const LoadedHives& loaded, bool withRecovered) {
  std::vector<facts::HiveSource> sources;
  for (const auto& h : loaded.hives) {
    const session::OpenedHive& opened = *h->opened;
    facts::HiveSource source{h->file, &opened.View(), withRecovered ? &opened.Recovery() : nullptr};
    const session::FileDigests& digests = opened.Digests();
    std::string unreadContainer;  // a container that cannot be read again is left out
    for (const session::ContainerDigest& c : session::ContainerDigests(opened.address, unreadContainer))
      source.containers.push_back({c.file, c.digests.size, c.digests.digests.sha256, c.digests.digests.md5});
    source.size = opened.bytes.size();
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
