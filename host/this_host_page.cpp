// This host in the web build: the page's system, as its script named it (host/page_host.h).
#include "host/page_host.h"
#include "host/this_host.h"

namespace quarvex::host {

std::unique_ptr<HostPlatform> MakeThisHost(const HostSettings& settings) {
  return MakePageHost(CurrentPageSystem(), settings.codePage);
}

}  // namespace quarvex::host
