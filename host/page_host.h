// The host inside a web page (the WebAssembly build): the page has no Windows installation, no
// file system of the user's and no registry. The system is what the browser tells the page
// (its name and version, given by the page's script); the program's own version is the
// build's; everything else is absent, as on a machine whose Windows directory is not named.
#pragma once

#include <memory>
#include <string>

#include "host/host_platform.h"
#include "text/codepage.h"

namespace quarvex::host {

struct PageSystem {
  std::string name;     // "Windows", "macOS", "Linux" ...; empty: "(unknown os)"
  std::string release;  // "10.0", "10.15.7" ...: up to three numbers; what is not one counts 0
};

std::unique_ptr<HostPlatform> MakePageHost(const PageSystem& system, text::CodePage codePage);

// The system the page's script last named (SetPageSystem), for MakeThisHost in the web build.
const PageSystem& CurrentPageSystem();
void SetPageSystem(PageSystem system);

}  // namespace quarvex::host
