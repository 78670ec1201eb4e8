#include "analyzer/key_verdict.h"

#include "hive/keyname.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;

Verdict JudgeKeyName(Bytes name, std::uint32_t stored, const LeadByteSet& leadBytes) {
  const NameChecksums sums = KeyNameChecksums(name, leadBytes);
  if (sums.system != stored) return Verdict::Ghost;
  return sums.system == sums.plain ? Verdict::Good : Verdict::Bad;
}

}  // namespace quarvex::analyzer
