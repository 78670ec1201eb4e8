#include "session/hive_json.h"

#include <vector>

#include "salvage/check_text.h"
#include "session/container_digests.h"
#include "text/json_text.h"

namespace quarvex::session {

std::string ReportJsonMember(const OpenedHive& hive) {
  if (!hive.report) return ", \"report\": null";
  const job::ReportReading& r = *hive.report;
  if (!r.Failed()) return ", \"report\": {\"made\": true, \"code\": 0, \"reason\": null}";
  return ", \"report\": {\"made\": false, \"code\": " + std::to_string(r.code) +
         ", \"reason\": " + text::JsonString(job::ReportFailureReason(r, hive.hive)) + "}";
}

std::string DigestJsonMembers(const OpenedHive& hive) {
  const FileDigests& digests = hive.Digests();
  return ", \"sha256\": \"" + digests.sha256 + "\", \"md5\": \"" + digests.md5 + "\"";
}

std::string ContainerJsonMembers(const OpenedHive& hive, std::string& error) {
  if (!hive.address.InContainer()) return {};
  const std::vector<ContainerDigest> containers = ContainerDigests(hive.address, error);
  std::string members = ", \"containers\": [";
  for (std::size_t n = 0; n < containers.size(); ++n) {
    const ContainerDigest& c = containers[n];
    members += std::string(n ? ", " : "") + "{\"file\": " + text::JsonString(c.file) +
               ", \"size\": " + std::to_string(c.digests.size) + ", \"sha256\": \"" + c.digests.digests.sha256 +
               "\", \"md5\": \"" + c.digests.digests.md5 + "\"}";
  }
  return members + "]";
}

}  // namespace quarvex::session
