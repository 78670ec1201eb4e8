#include "image/image_address.h"

#include <filesystem>
#include <system_error>

namespace quarvex::image {

namespace {

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec) && !ec;
}

std::vector<std::string> SplitParts(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(kAddressSeparator, start);
    if (at == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + kAddressSeparator.size();
  }
}

}  // namespace

std::optional<ImageAddress> ParseImageAddress(const std::string& argument) {
  if (argument.find(kAddressSeparator) == std::string::npos || IsRegularFile(argument)) return std::nullopt;
  // The longest existing prefix wins: "a::b.img::X" with a file "a::b.img" opens that file.
  std::size_t at = argument.rfind(kAddressSeparator);
  while (at != std::string::npos) {
    const std::string container = argument.substr(0, at);
    if (IsRegularFile(container))
      return ImageAddress{container, SplitParts(argument.substr(at + kAddressSeparator.size()))};
    if (at == 0) break;
    at = argument.rfind(kAddressSeparator, at - 1);
  }
  // No prefix exists: the first part is the container, so that the error names it.
  const std::size_t first = argument.find(kAddressSeparator);
  return ImageAddress{argument.substr(0, first), SplitParts(argument.substr(first + kAddressSeparator.size()))};
}

std::string ContainerOf(const std::string& argument) {
  const std::optional<ImageAddress> address = ParseImageAddress(argument);
  return address ? address->container : argument;
}

namespace {

// The last part after '/' or '\' (and after a file system number's ':').
std::string LastPathPart(const std::string& path) {
  const std::size_t at = path.find_last_of("/\\:");
  return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

std::string InnermostFileName(const std::string& argument) {
  const std::optional<ImageAddress> address = ParseImageAddress(argument);
  if (!address) return std::filesystem::path(argument).filename().string();
  return LastPathPart(address->parts.back());
}

std::string DisplayName(const std::string& argument) {
  const std::optional<ImageAddress> address = ParseImageAddress(argument);
  if (!address) return std::filesystem::path(argument).filename().string();
  std::string shown = std::filesystem::path(address->container).filename().string();
  for (const std::string& part : address->parts) shown += std::string(kAddressSeparator) + part;
  return shown;
}

std::optional<InnerPath> ParseInnerPath(const std::string& text, std::string& error) {
  InnerPath inner;
  std::string rest = text;
  const std::size_t colon = rest.find(':');
  if (colon != std::string::npos) {
    const std::string number = rest.substr(0, colon);
    unsigned value = 0;
    bool digits = !number.empty() && number.size() <= 3;
    for (char c : number) {
      if (c < '0' || c > '9')
        digits = false;
      else
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (!digits || value == 0) {
      error = "'" + number + "' before ':' is not a file system number (1, 2, ... as `hives` lists them)";
      return std::nullopt;
    }
    inner.fileSystem = value;
    rest = rest.substr(colon + 1);
  }
  for (char& c : rest)
    if (c == '\\') c = '/';
  while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
  if (rest.empty()) {
    error = "no path inside the image after '::'";
    return std::nullopt;
  }
  inner.path = rest;
  return inner;
}

}  // namespace quarvex::image
