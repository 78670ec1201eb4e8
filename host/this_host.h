// The HostPlatform of the machine the program runs on: Windows itself (win32_host.cpp), or,
// elsewhere, the Windows installation that the user names (posix_host.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "host/host_facts.h"
#include "host/host_platform.h"
#include "text/text_locale.h"

namespace quarvex::host {

struct HostSettings {
  // The Windows directory the user named (--windows-dir); nothing: QUARVEX_WINDIR, if set.
  // Windows answers with its own directory and ignores this.
  std::optional<std::string> windowsDirectory;
  // Outside Windows, the code page of the named installation: its lead bytes, and the
  // encoding of its 8-bit version texts and registry strings. Windows uses its own.
  text::CodePage codePage = text::CodePage::Cp932;
};

std::unique_ptr<HostPlatform> MakeThisHost(const HostSettings& settings);

// The host probe's facts and About lines for this machine, in one call.
struct ProbedHost {
  HostFacts facts;
  std::vector<std::string> meStatLines;
};
ProbedHost ProbeThisHost(const HostSettings& settings, const text::TextLocale& locale);

}  // namespace quarvex::host
