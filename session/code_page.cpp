#include "session/code_page.h"

#include <vector>

#include "detect/codepage_choice.h"

namespace quarvex::session {

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

detect::CodePageChoice Named(const CodePageRequest& request) {
  return {*request.named, detect::CodePageSource::Option, request.namedHow};
}

std::vector<detect::Companion> CompanionsOf(const HiveAddress& address, const CodePageRequest& request) {
  // Standard input has no folder to look beside, even when a file named "-" lies here.
  if (address.IsStandardInput()) return {};
  return detect::ReadCompanions(address.Text(), request.windowsDirectory);
}

}  // namespace

detect::CodePageChoice ChooseCodePage(const CodePageRequest& request, const HiveAddress& address, hive::Bytes bytes) {
  if (request.named) return Named(request);
  return detect::DetectCodePage(bytes, CompanionsOf(address, request));
}

detect::CodePageChoice ChooseCodePage(const CodePageRequest& request, const HiveAddress& address,
                                      const salvage::SalvagedHive& model) {
  if (request.named) return Named(request);
  return detect::DetectCodePage(model, CompanionsOf(address, request));
}

}  // namespace quarvex::session
