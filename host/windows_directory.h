// The Windows directory of the machine whose registry files the user wants to open. This host
// has none of its own, so the user names one: `--windows-dir DIR` on the window's command line,
// else the environment variable QUARVEX_WINDIR. The query answers as the system's query does:
// the directory's text, or nothing when none can be given.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarvex::host {

class WindowsDirectory {
 public:
  // The query's buffer holds 128 bytes and the system allows at most 125 characters in it,
  // the terminator included: a longer directory is refused, never cut to another one.
  static constexpr std::size_t kMaxChars = 124;
  static constexpr const char* kEnvironmentVariable = "QUARVEX_WINDIR";

  WindowsDirectory() = default;  // none named
  explicit WindowsDirectory(std::string named) : named_(std::move(named)) {}
  // The command line's directory when given, else the environment's (empty counts as unset).
  static WindowsDirectory FromUser(const std::optional<std::string>& commandLine);

  // The directory, or nothing when none is named, it is not an existing directory, or its
  // text is longer than kMaxChars.
  std::optional<std::string> Query() const;

  // directory + "/" + the name of the entry in it that equals `name` ignoring ASCII letter case
  // (an exact match first), or + `name` itself when there is none. No separator is removed:
  // a directory that ends in one gives a doubled one, which names the same place.
  static std::string FilePath(const std::string& directory, std::string_view name);

 private:
  std::string named_;
};

}  // namespace quarvex::host
