// Fuzz target: detecting the code page and the root key of arbitrary bytes, the hive itself
// and the same bytes as a system.dat beside it. Whatever the bytes, a code page comes out
// with a reason, and every page converts the bytes to UTF-8 and to the terminal without
// reading past them. Where the light reader vouches for the bytes, the detection through it
// chooses exactly what the detection through the salvage reader chooses, reason included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "detect/codepage_detect.h"
#include "detect/hive_root.h"
#include "detect/light_reader.h"
#include "text/terminal_text.h"
#include "text/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  const hive::Bytes image(data, size);
  const std::vector<detect::Companion> companions{{"system.dat", std::vector<std::uint8_t>(data, data + size)}};
  const detect::CodePageChoice choice =
      detect::DetectCodePage(image, size % 2 ? companions : std::vector<detect::Companion>{});
  if (choice.reason.empty()) std::abort();
  if (detect::LightReader(image).Sound()) {
    const detect::CodePageChoice light = detect::DetectCodePage(image, {});
    const detect::CodePageChoice full =
        detect::DetectCodePage(salvage::Salvage(image, {text::CodePage::SingleByte}), {});
    if (light.codePage != full.codePage || light.source != full.source || light.reason != full.reason) std::abort();
  }
  const salvage::SalvagedHive hive = salvage::Salvage(image, {choice.codePage});
  (void)detect::RootKeyForContent(hive);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size < 512 ? size : 512);
  for (text::CodePage cp : text::AllCodePages()) {
    (void)text::CodePageToUtf8(bytes, cp);
    if (text::TerminalString(bytes, cp, "UTF-8").size() < bytes.size()) std::abort();  // nothing dropped
  }
  return 0;
}
