#include "host/windows_directory.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace quarvex::host {

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

WindowsDirectory WindowsDirectory::FromUser(const std::optional<std::string>& commandLine) {
  if (commandLine && !commandLine->empty()) return WindowsDirectory(*commandLine);
  const char* environment = std::getenv(kEnvironmentVariable);
  return WindowsDirectory(environment ? environment : "");
}

std::optional<std::string> WindowsDirectory::Query() const {
  if (named_.empty() || named_.size() > kMaxChars) return std::nullopt;
  std::error_code ec;
  if (!std::filesystem::is_directory(named_, ec) || ec) return std::nullopt;
  return named_;
}

std::string WindowsDirectory::FilePath(const std::string& directory, std::string_view name) {
  std::string found(name);
  std::error_code ec;
  std::string best;
  for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry == name) {
      best = entry;
      break;
    }
    // Of several spellings, the same one every time.
    if (SameIgnoringAsciiCase(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  if (!best.empty()) found = best;
  return directory + "/" + found;
}

}  // namespace quarvex::host
