#include "app/cli_input.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "detect/codepage_choice.h"
#include "hive/hive_image.h"
#include "image/hive_source.h"
#include "image/image_address.h"

namespace quarvex::cli {

namespace {

struct StandardInput {
  std::istream* stream = &std::cin;
  std::optional<std::vector<std::uint8_t>> bytes;  // once read
  std::string error;                               // why it could not be
  bool read = false;
};

StandardInput& Stdin() {
  static StandardInput in;
  return in;
}

// Standard input to its end, bounded as a file is: past 2 GiB the format cannot address it.
void ReadStandardInput(StandardInput& in) {
  in.read = true;
#if defined(_WIN32)
  if (in.stream == &std::cin) _setmode(_fileno(stdin), _O_BINARY);
#endif
  constexpr std::size_t kLimit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  std::vector<std::uint8_t> bytes;
  std::vector<char> chunk(1 << 16);
  while (*in.stream) {
    in.stream->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.stream->gcount());
    if (bytes.size() + got > kLimit) {
      in.error = "standard input: larger than 2 GiB, beyond what the format can address";
      return;
    }
    bytes.insert(bytes.end(), chunk.data(), chunk.data() + got);
  }
  if (in.stream->bad()) {
    in.error = "standard input: cannot read";
    return;
  }
  in.bytes = std::move(bytes);
}

std::optional<std::vector<std::uint8_t>> ReadDiskHive(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (std::filesystem::is_directory(p, ec)) {
    error = "is a directory";
    return std::nullopt;
  }
  if (!std::filesystem::exists(p, ec)) {
    error = "no such file";
    return std::nullopt;
  }
  // The one loader every hive goes through: read-only, regular files only, never blocking.
  return hive::ReadWholeRegularFile(path, error);
}

}  // namespace

void UseStandardInput(std::istream& in) { Stdin() = StandardInput{&in, std::nullopt, {}, false}; }

std::optional<std::vector<std::uint8_t>> ReadWholeHive(const std::string& path, std::string& error) {
  if (path == "-") {
    StandardInput& in = Stdin();
    if (!in.read) ReadStandardInput(in);
    if (!in.bytes) error = in.error;
    return in.bytes;
  }
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(path);
  if (!address) return ReadDiskHive(path, error);
  return image::ReadAddressedFile(*address, error);
}

bool IsContainerAddress(const std::string& argument) { return image::ParseImageAddress(argument).has_value(); }

std::string DiskFileOf(const std::string& argument) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(argument);
  return address ? address->container : argument;
}

std::string InnermostName(const std::string& argument) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(argument);
  if (!address) return argument;
  std::string last = address->parts.back();
  for (char& c : last)
    if (c == '\\' || c == ':') c = '/';
  return last;
}

bool ParseCodePageArgument(std::string_view text, std::optional<text::CodePage>& named) {
  if (text == "auto") {
    named.reset();
    return true;
  }
  const std::optional<text::CodePage> cp = text::ParseCodePage(std::string(text));
  if (!cp) return false;
  named = cp;
  return true;
}

namespace {

std::vector<detect::Companion> CompanionsOf(const std::string& path, const std::optional<std::string>& windowsDir) {
  // Standard input has no folder to look beside, even when a file named "-" lies here.
  if (path == "-") return {};
  return detect::ReadCompanions(path, windowsDir);
}

}  // namespace

detect::CodePageChoice ChooseCodePageForHive(const std::optional<text::CodePage>& named, const std::string& path,
                                             hive::Bytes bytes, const std::optional<std::string>& windowsDir) {
  if (named) return {*named, detect::CodePageSource::Option, "named with --codepage"};
  return detect::DetectCodePage(bytes, CompanionsOf(path, windowsDir));
}

detect::CodePageChoice ChooseCodePageForHive(const std::optional<text::CodePage>& named, const std::string& path,
                                             const salvage::SalvagedHive& model,
                                             const std::optional<std::string>& windowsDir) {
  if (named) return {*named, detect::CodePageSource::Option, "named with --codepage"};
  return detect::DetectCodePage(model, CompanionsOf(path, windowsDir));
}

}  // namespace quarvex::cli
