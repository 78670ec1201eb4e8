#include "carve/hive_chain.h"

#include <array>
#include <cstdio>

#include "hive/finding.h"

namespace quarvex::carve {

namespace {

using hive::CregHeader;
using hive::RgdbHeader;
using hive::RgknHeader;

// Both block headers keep their size in the same place, so one check reads either.
constexpr auto kBlockSize = hive::RgdbHeaderField::iBlkSize;
static_assert(hive::FieldOffset(hive::RgknHeaderField::iBlkSize) == hive::FieldOffset(kBlockSize));

std::string SignatureText(const std::array<std::uint8_t, 32>& head) {
  return hive::Quoted(std::string_view(reinterpret_cast<const char*>(head.data()), 4));
}

bool HasSignature(const std::array<std::uint8_t, 32>& head, const hive::Signature& signature) {
  for (std::size_t i = 0; i < 4; ++i)
    if (head[i] != static_cast<std::uint8_t>(signature[i])) return false;
  return true;
}

// Reads and checks the 32-byte header of a block at `at`: its signature and a size of at least
// its header, lying in `readable`. Empty when sound, else why not.
std::string CheckBlock(const ByteSource& source, const RangeSet& readable, std::uint64_t at,
                       const hive::Signature& signature, std::int64_t& size) {
  std::array<std::uint8_t, 32> head{};
  if (at > source.Size() || source.Size() - at < head.size())
    return "its header at " + OffsetText(at) + " lies past the end of the image (" + OffsetText(source.Size()) + ")";
  if (!readable.Covers(at, at + head.size()) || !source.Read(at, head))
    return "its header at " + OffsetText(at) + " lies outside the bytes searched";
  if (!HasSignature(head, signature))
    return SignatureText(head) + " at " + OffsetText(at) + " where " +
           hive::Quoted(std::string_view(signature.data(), 4)) + " belongs";
  size = hive::FieldAt<kBlockSize>(head, 0).value_or(0);
  const std::string sizeText = std::string(hive::FieldName(kBlockSize)) + " " +
                               hive::Hex32(static_cast<std::uint32_t>(size)) + " at " +
                               OffsetText(at + hive::FieldOffset(kBlockSize));
  if (size < static_cast<std::int64_t>(head.size())) return sizeText + " is below the 32-byte header";
  const std::uint64_t end = at + static_cast<std::uint64_t>(size);
  if (end > source.Size()) return sizeText + " runs past the end of the image (" + OffsetText(source.Size()) + ")";
  if (!readable.Covers(at, end))
    return "the block runs from " + OffsetText(at) + " to " + OffsetText(end) +
           ", out of the bytes searched (allocated to a file, or past a gap)";
  return {};
}

}  // namespace

std::string OffsetText(std::uint64_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(offset));
  return text;
}

HiveChain FollowChain(const ByteSource& source, const RangeSet& readable, std::uint64_t at) {
  HiveChain chain;
  chain.start = at;
  std::array<std::uint8_t, CregHeader::kSize> head{};
  if (at > source.Size() || source.Size() - at < head.size()) {
    chain.broken =
        "file header at " + OffsetText(at) + ": past the end of the image (" + OffsetText(source.Size()) + ")";
    return chain;
  }
  if (!readable.Covers(at, at + head.size()) || !source.Read(at, head)) {
    chain.broken = "file header at " + OffsetText(at) + ": outside the bytes searched";
    return chain;
  }
  chain.header = CregHeader::Decode(head);
  if (!HasSignature(head, hive::kCregSignature)) {
    chain.broken = "file header at " + OffsetText(at) + ": " + SignatureText(head) + " where \"CREG\" belongs";
    return chain;
  }
  chain.blocks.push_back({BlockKind::FileHeader, at, CregHeader::kSize, 0});
  std::int64_t size = 0;
  const std::uint64_t keyNodes = at + CregHeader::kSize;
  if (std::string why = CheckBlock(source, readable, keyNodes, hive::kRgknSignature, size); !why.empty()) {
    chain.broken = "key-node block: " + why;
    return chain;
  }
  chain.blocks.push_back({BlockKind::KeyNodes, keyNodes, static_cast<std::uint64_t>(size), 0});
  const std::uint64_t firstData = keyNodes + static_cast<std::uint64_t>(size);
  if (chain.header.iRGDB1st < 0 || at + static_cast<std::uint64_t>(chain.header.iRGDB1st) != firstData) {
    chain.broken = "file header at " + OffsetText(at) + ": iRGDB1st " +
                   hive::Hex32(static_cast<std::uint32_t>(chain.header.iRGDB1st)) +
                   " is not where the key-node block ends (" + hive::Hex32(static_cast<std::uint32_t>(firstData - at)) +
                   ")";
    return chain;
  }
  std::uint64_t next = firstData;
  for (std::uint32_t number = 0; number < chain.header.wDBblks; ++number) {
    std::string why = CheckBlock(source, readable, next, hive::kRgdbSignature, size);
    if (why.empty() && next + static_cast<std::uint64_t>(size) - at > kLargestCarvedHive)
      why = "the file would grow past 2 GiB, more than a registry file may hold";
    if (!why.empty()) {
      chain.broken =
          "data block " + std::to_string(number) + " of " + std::to_string(chain.header.wDBblks) + ": " + why;
      return chain;
    }
    chain.blocks.push_back({BlockKind::Data, next, static_cast<std::uint64_t>(size), number});
    next += static_cast<std::uint64_t>(size);
  }
  chain.whole = true;
  return chain;
}

std::optional<std::vector<std::uint8_t>> ReadCarvedHive(const ByteSource& source, std::uint64_t at,
                                                        std::string& error) {
  const RangeSet everything({{0, source.Size()}});
  const HiveChain chain = FollowChain(source, everything, at);
  if (!chain.whole) {
    error = "no whole registry file at " + OffsetText(at) + " (" + chain.broken +
            "); what is left there is a fragment: `quarvex-cli hives --carve` (or --carve-all) lists it with its keys, "
            "`quarvex-cli facts`, `quarvex-cli recover` and the browser window read it";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(chain.End() - chain.start));
  if (!source.Read(at, bytes)) {
    error = "the image cannot be read from " + OffsetText(at) + " to " + OffsetText(chain.End());
    return std::nullopt;
  }
  return bytes;
}

}  // namespace quarvex::carve
