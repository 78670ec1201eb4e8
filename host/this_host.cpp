#include "host/this_host.h"

#include "host/host_probe.h"

namespace quarvex::host {

using namespace quarvex::text;

ProbedHost ProbeThisHost(const HostSettings& settings, const TextLocale& locale) {
  ProbedHost probed;
  const std::unique_ptr<HostPlatform> host = MakeThisHost(settings);
  ProbeHostEnvironment(*host, locale, probed.facts, probed.meStatLines);
  return probed;
}

}  // namespace quarvex::host
