#include "app/cli_input.h"

#include <filesystem>
#include <system_error>

#include "hive/hive_image.h"
#include "image/hive_source.h"
#include "image/image_address.h"

namespace quarvex::cli {

namespace {

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

std::optional<std::vector<std::uint8_t>> ReadWholeHive(const std::string& path, std::string& error) {
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
  std::vector<detect::Companion> companions;
  if (!IsContainerAddress(path))
    for (const std::string& beside : detect::CompanionSystemFiles(path, windowsDir)) {
      std::string ignored;
      if (auto companion = ReadWholeHive(beside, ignored)) companions.push_back({beside, std::move(*companion)});
    }
  return companions;
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
