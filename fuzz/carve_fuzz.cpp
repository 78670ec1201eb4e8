// Fuzz target: the carver over arbitrary bytes taken as a disk image, with signatures planted
// in it so that the fuzzer spends its time on the sizes and chains after them rather than on
// finding "CREG": the first input byte picks sectors where "CREG" (and "RGKN" behind it) and
// "RGDB" are written over the input. The carve runs over all the bytes and over every other
// 512-byte piece (as unallocated clusters between allocated ones). Whatever the bytes: it ends,
// every carved hive and every block it keeps lies inside the image and inside the bytes
// searched, a carved hive reads back whole with its bytes equal to the image's, and each
// fragment is read, listed and written as JSON with its keys inside the image, and its stand-in
// file as the browser shows it is still read as a registry file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "carve/carve_text.h"
#include "carve/carver.h"
#include "carve/fragment_lookup.h"
#include "carve/fragment_reader.h"
#include "carve/hive_chain.h"
#include "salvage/salvage.h"

namespace {

using namespace quarvex::carve;

void Check(bool condition) {
  if (!condition) std::abort();
}

void Plant(std::vector<std::uint8_t>& image, std::size_t at, const char* signature) {
  if (at + 4 <= image.size()) std::memcpy(image.data() + at, signature, 4);
}

void CheckResult(const std::vector<std::uint8_t>& image, const RangeSet& scan) {
  const MemorySource source(image);
  const CarveResult result = Carve(source, scan);
  Check(result.bytesScanned <= image.size());
  for (const HiveChain& hive : result.hives) {
    Check(hive.whole && hive.End() <= image.size());
    for (const ChainBlock& b : hive.blocks) Check(scan.Covers(b.offset, b.offset + b.size));
    std::string error;
    const auto bytes = ReadCarvedHive(source, hive.start, error);
    Check(bytes.has_value() && bytes->size() == hive.End() - hive.start);
    Check(std::memcmp(bytes->data(), image.data() + hive.start, bytes->size()) == 0);
  }
  for (const Fragment& f : result.fragments) {
    if (f.chain) {
      Check(!f.chain->whole && f.chain->End() <= image.size());
      for (const ChainBlock& b : f.chain->blocks) Check(scan.Covers(b.offset, b.offset + b.size));
    }
    for (const LooseBlock& b : f.blocks) Check((b.size >= 32 || b.cut) && scan.Covers(b.offset, b.offset + b.size));
    const FragmentContents contents = ReadFragment(source, f);
    for (const FragmentKey& k : contents.keys) Check(k.offset < image.size());
    for (const std::string& line : FragmentLines(f, contents)) Check(line.find('\n') == std::string::npos);
    Check(!FragmentJson(f, contents).empty());
    for (const std::string& line : FragmentMark(f, contents)) Check(line.find('\n') == std::string::npos);
    // The browser's stand-in file: still a registry file the salvage reader reads, and no
    // smaller than the one read (key nodes are only ever added).
    const std::vector<std::uint8_t> browsable = BrowsableImage(contents);
    Check(browsable.size() >= contents.image.size());
    if (contents.unreadable.empty())
      Check(quarvex::salvage::Salvage(quarvex::hive::Bytes(browsable), {contents.codePage}).isHive);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> image(data, data + size);
  if (size > 0) {
    const std::uint8_t pick = data[0];
    const std::size_t sectors = size / 512;
    if (sectors > 0) {
      const std::size_t header = (pick % sectors) * 512;
      if (pick & 0x80) Plant(image, header, "CREG");
      if (pick & 0x40) Plant(image, header + 32, "RGKN");
      // Data blocks at offsets the input's second and third bytes choose, not on sectors.
      for (std::size_t i = 1; i + 1 < std::min<std::size_t>(size, 5); i += 2) {
        const std::size_t at = (static_cast<std::size_t>(data[i]) << 8 | data[i + 1]) % size;
        if (pick & (1u << i)) Plant(image, at, "RGDB");
      }
    }
  }
  CheckResult(image, RangeSet({{0, image.size()}}));
  std::vector<ByteRange> pieces;
  for (std::uint64_t at = 0; at < image.size(); at += 1024)
    pieces.push_back({at, std::min<std::uint64_t>(at + 512, image.size())});
  CheckResult(image, RangeSet(pieces));
  return 0;
}
