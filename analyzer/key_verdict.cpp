#include "analyzer/key_verdict.h"

#include "hive/keyname.h"

namespace quarvex::analyzer {

using namespace quarvex::hive;
using namespace quarvex::text;



Verdict JudgeKeyName(Bytes name, std::uint32_t stored, const LeadByteSet& leadBytes) {
  const std::uint32_t sum = KeyNameChecksum(name, leadBytes);
  if (sum != stored) return Verdict::Ghost;
  return sum == KeyNameChecksumPlain(name) ? Verdict::Good : Verdict::Bad;
}

}  // namespace quarvex::analyzer
