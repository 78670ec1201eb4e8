#include "host/version_resource.h"

#include <algorithm>
#include <charconv>

#include "hive/byte_cursor.h"
#include "host/ascii_case.h"
#include "text/printf.h"

namespace quarvex::host {

using hive::ByteCursor;
using text::Printf;

namespace {

// Every read goes through the one bounds-checked cursor: a field that does not lie whole
// inside the bytes is nothing, and `at + n` is never formed before it is known to fit.

// The n bytes at `at`, or nothing when they do not all lie inside b.
std::optional<ByteSpan> Within(ByteSpan b, std::uint64_t at, std::uint64_t n) {
  ByteCursor cursor(b, at);
  const ByteSpan taken = cursor.Take(n);
  if (!cursor) return std::nullopt;
  return taken;
}

std::optional<std::uint16_t> U16(ByteSpan b, std::uint64_t at) {
  ByteCursor cursor(b, at);
  const std::uint16_t value = cursor.U16();
  if (!cursor) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> U32(ByteSpan b, std::uint64_t at) {
  ByteCursor cursor(b, at);
  const std::uint32_t value = cursor.U32();
  if (!cursor) return std::nullopt;
  return value;
}

bool HasSignature(ByteSpan b, std::uint64_t at, std::string_view signature) {
  const auto s = Within(b, at, signature.size());
  return s && std::equal(s->begin(), s->end(), signature.begin(),
                         [](std::uint8_t x, char y) { return x == static_cast<std::uint8_t>(y); });
}

// Where the DOS header's e_lfanew points, after checking "MZ" and the new header's signature.
std::optional<std::uint32_t> NewHeader(ByteSpan file, std::string_view signature) {
  if (!HasSignature(file, 0, "MZ")) return std::nullopt;
  const auto at = U32(file, 0x3C);
  if (!at || !HasSignature(file, *at, signature)) return std::nullopt;
  return at;
}

// The resource's bytes, up to the block's own length when that is shorter (resources are
// padded to their alignment).
std::optional<std::vector<std::uint8_t>> CopyBlock(std::optional<ByteSpan> bytes) {
  if (!bytes) return std::nullopt;
  const auto length = U16(*bytes, 0);
  const std::size_t keep = length && *length < bytes->size() ? *length : bytes->size();
  return std::vector<std::uint8_t>(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(keep));
}

// ---- PE ----

struct PeSection {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawPointer = 0;
};

// The file offset of an address of the loaded image, when a section holds it in the file.
std::optional<std::uint64_t> RvaToFileOffset(const std::vector<PeSection>& sections, std::uint32_t rva) {
  for (const PeSection& s : sections) {
    if (rva < s.virtualAddress) continue;
    const std::uint32_t into = rva - s.virtualAddress;
    if (into >= std::max(s.virtualSize, s.rawSize)) continue;
    if (into >= s.rawSize) return std::nullopt;  // in memory only, zero-filled
    return std::uint64_t{s.rawPointer} + into;
  }
  return std::nullopt;
}

constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kPeVersionType = 16;

enum class Pick { VersionType, FirstSubdirectory, FirstData };

// The offset (relative to the resource root) that the chosen entry of a resource directory
// leads to. The directory's entries are read one by one; their count is bounded by the file.
std::optional<std::uint32_t> PickResourceEntry(ByteSpan file, std::uint64_t root, std::uint32_t directory, Pick pick) {
  const auto named = U16(file, root + directory + 12);
  const auto ids = U16(file, root + directory + 14);
  if (!named || !ids) return std::nullopt;
  const std::uint32_t count = std::uint32_t{*named} + *ids;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = root + directory + 16 + std::uint64_t{i} * 8;
    const auto name = U32(file, entry);
    const auto target = U32(file, entry + 4);
    if (!name || !target) return std::nullopt;  // the table runs past the end of the file
    const bool subdirectory = (*target & kSubdirectoryBit) != 0;
    const bool accept = pick == Pick::VersionType         ? (*name == kPeVersionType && subdirectory)
                        : pick == Pick::FirstSubdirectory ? subdirectory
                                                          : !subdirectory;
    if (accept) return *target & ~kSubdirectoryBit;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> FindPeVersionBlock(ByteSpan file) {
  const auto pe = NewHeader(file, std::string_view("PE\0\0", 4));
  if (!pe) return std::nullopt;
  // The COFF header after "PE\0\0": machine, section count, time stamp, symbol table,
  // symbol count, optional header size.
  ByteCursor header(file, std::uint64_t{*pe} + 4);
  header.Skip(2);
  const std::uint16_t sectionCount = header.U16();
  header.Skip(12);
  const std::uint16_t optionalSize = header.U16();
  header.Skip(2);
  const std::uint64_t optional = header.Position();
  const std::uint16_t magic = header.U16();
  if (!header || (magic != 0x10B && magic != 0x20B)) return std::nullopt;
  // The data directories follow their count, 92 (PE32) or 108 (PE32+) bytes in.
  header.Seek(optional + (magic == 0x10B ? 92 : 108));
  const std::uint32_t directoryCount = header.U32();
  header.Skip(2 * 8);  // export and import directories
  const std::uint32_t resourceRva = header.U32();
  if (!header || directoryCount < 3 || resourceRva == 0) return std::nullopt;

  // Section headers: name (8), virtual size, virtual address, raw size, raw pointer, then 16
  // bytes of relocation and line-number fields and characteristics.
  std::vector<PeSection> sections;
  ByteCursor table(file, optional + optionalSize);
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    table.Skip(8);
    PeSection s;
    s.virtualSize = table.U32();
    s.virtualAddress = table.U32();
    s.rawSize = table.U32();
    s.rawPointer = table.U32();
    table.Skip(16);
    if (!table) return std::nullopt;
    sections.push_back(s);
  }

  const auto root = RvaToFileOffset(sections, resourceRva);
  if (!root) return std::nullopt;
  // Three levels: type, name, language. Fixed depth, so no walk can go round.
  const auto names = PickResourceEntry(file, *root, 0, Pick::VersionType);
  if (!names) return std::nullopt;
  const auto languages = PickResourceEntry(file, *root, *names, Pick::FirstSubdirectory);
  if (!languages) return std::nullopt;
  const auto data = PickResourceEntry(file, *root, *languages, Pick::FirstData);
  if (!data) return std::nullopt;
  const auto dataRva = U32(file, *root + *data);
  const auto dataSize = U32(file, *root + *data + 4);
  if (!dataRva || !dataSize) return std::nullopt;
  const auto at = RvaToFileOffset(sections, *dataRva);
  if (!at) return std::nullopt;
  return CopyBlock(Within(file, *at, *dataSize));
}

namespace {
constexpr std::uint16_t kNeVersionType = 0x8010;
constexpr std::uint16_t kNeMaxAlignShift = 24;  // beyond this no offset can lie in a file we read
}  // namespace

std::optional<std::vector<std::uint8_t>> FindNeVersionBlock(ByteSpan file) {
  const auto ne = NewHeader(file, "NE");
  if (!ne) return std::nullopt;
  const auto tableOffset = U16(file, std::uint64_t{*ne} + 0x24);
  const auto residentNames = U16(file, std::uint64_t{*ne} + 0x26);
  if (!tableOffset || !residentNames || *residentNames <= *tableOffset) return std::nullopt;
  // The resource table lies between its own offset and the resident-name table's.
  const auto table = Within(file, std::uint64_t{*ne} + *tableOffset, *residentNames - *tableOffset);
  if (!table) return std::nullopt;
  const auto shift = U16(*table, 0);
  if (!shift || *shift > kNeMaxAlignShift) return std::nullopt;
  // Type records: type id (0 ends the table), count, 4 reserved bytes, then count 12-byte
  // name records. Every step moves forward by at least 8 bytes inside the table.
  std::uint64_t p = 2;
  for (;;) {
    const auto type = U16(*table, p);
    const auto count = U16(*table, p + 2);
    if (!type || *type == 0 || !count) return std::nullopt;
    p += 8;
    if (*type == kNeVersionType && *count > 0) {
      const auto offset = U16(*table, p);
      const auto length = U16(*table, p + 2);
      if (!offset || !length) return std::nullopt;
      return CopyBlock(Within(file, std::uint64_t{*offset} << *shift, std::uint64_t{*length} << *shift));
    }
    p += std::uint64_t{*count} * 12;
  }
}

std::optional<std::vector<std::uint8_t>> FindVersionBlock(ByteSpan file) {
  if (auto block = FindPeVersionBlock(file)) return block;
  return FindNeVersionBlock(file);
}

namespace {

std::uint64_t Align4(std::uint64_t at) { return (at + 3) & ~std::uint64_t{3}; }

// One node of a version block, its parts located and checked to lie inside its own bytes.
struct VersionNodeView {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // the node's wLength, cut at its parent's end
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::string key;  // UTF-8 (the 32-bit form) or the file's bytes (the 16-bit form)
  std::uint64_t valueAt = 0;
  std::uint64_t childrenAt = 0;
};

std::optional<VersionNodeView> ReadVersionNode(ByteSpan block, std::uint64_t at, std::uint64_t limit,
                                               VersionBlockForm form) {
  const bool wide = form == VersionBlockForm::Wide;
  const std::uint64_t headerSize = wide ? 6 : 4;
  const auto length = U16(block, at);
  const auto valueLength = U16(block, at + 2);
  if (!length || !valueLength || *length < headerSize) return std::nullopt;
  VersionNodeView n;
  n.start = at;
  n.end = std::min<std::uint64_t>(at + *length, std::min<std::uint64_t>(limit, block.size()));
  n.valueLength = *valueLength;
  if (wide) n.type = U16(block, at + 4).value_or(0);
  const auto inside = Within(block, at, n.end - at);
  if (!inside) return std::nullopt;
  // The key, up to its terminator, which must lie inside the node.
  std::uint64_t p = headerSize;
  std::u16string wideKey;
  for (;;) {
    if (wide) {
      const auto unit = U16(*inside, p);
      if (!unit) return std::nullopt;
      p += 2;
      if (*unit == 0) break;
      wideKey += static_cast<char16_t>(*unit);
    } else {
      if (p >= inside->size()) return std::nullopt;
      const std::uint8_t c = (*inside)[static_cast<std::size_t>(p++)];
      if (c == 0) break;
      n.key += static_cast<char>(c);
    }
  }
  if (wide) n.key = Utf16ToUtf8(wideKey);
  n.valueAt = Align4(at + p);
  const std::uint64_t valueBytes = (wide && n.type == 1) ? std::uint64_t{n.valueLength} * 2 : n.valueLength;
  n.childrenAt = Align4(n.valueAt + valueBytes);
  return n;
}

// The first child of `parent` with the given key. Each step moves forward by the child's own
// length (at least its header), and the walk stays inside the parent.
std::optional<VersionNodeView> FindChild(ByteSpan block, const VersionNodeView& parent, std::string_view key,
                                         VersionBlockForm form) {
  for (std::uint64_t p = parent.childrenAt; p < parent.end;) {
    const auto child = ReadVersionNode(block, p, parent.end, form);
    if (!child) return std::nullopt;
    if (EqualsIgnoringAsciiCase(child->key, key)) return child;
    p = Align4(child->end);
  }
  return std::nullopt;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    if (!part.empty()) parts.push_back(part);
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return parts;
}

}  // namespace

std::optional<VersionValue> QueryVersionBlock(ByteSpan block, std::string_view subBlock) {
  // The 16-bit form has its key right after the two lengths; the 32-bit form has a type there.
  const VersionBlockForm form = HasSignature(block, 4, "VS") ? VersionBlockForm::Narrow : VersionBlockForm::Wide;
  auto node = ReadVersionNode(block, 0, block.size(), form);
  const std::vector<std::string_view> parts = SplitPath(subBlock);
  for (std::string_view part : parts) {
    if (!node) return std::nullopt;
    node = FindChild(block, *node, part, form);
  }
  if (!node) return std::nullopt;

  VersionValue value;
  value.text = form == VersionBlockForm::Wide
                   ? node->type == 1
                   : !parts.empty() && EqualsIgnoringAsciiCase(parts.front(), "StringFileInfo");
  // What the node holds of its value: never past its own end.
  const std::uint64_t room = node->end > node->valueAt ? node->end - node->valueAt : 0;
  const auto bytes = *Within(block, std::min(node->valueAt, node->end), room);
  value.eightBit = value.text && form == VersionBlockForm::Narrow;
  if (form == VersionBlockForm::Wide && value.text) {
    std::u16string units;
    for (std::uint64_t i = 0; i < node->valueLength && i * 2 + 1 < bytes.size(); ++i)
      units += static_cast<char16_t>(*U16(bytes, i * 2));
    value.data = Utf16ToUtf8(units);
  } else {
    const std::size_t n = std::min<std::size_t>(node->valueLength, bytes.size());
    value.data.assign(reinterpret_cast<const char*>(bytes.data()), n);
  }
  return value;
}

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PadTo4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

void PutChars(std::vector<std::uint8_t>& out, std::string_view text, bool wide) {
  for (char c : text) {
    if (wide)
      Put16(out, static_cast<std::uint8_t>(c));
    else
      out.push_back(static_cast<std::uint8_t>(c));
  }
  if (wide)
    Put16(out, 0);
  else
    out.push_back(0);
}

void EncodeInto(const VersionNode& node, VersionBlockForm form, std::vector<std::uint8_t>& out) {
  const bool wide = form == VersionBlockForm::Wide;
  const std::size_t start = out.size();
  // A node with children holds no value of its own.
  const bool hasValue = node.children.empty() || !node.value.empty();
  const std::size_t valueLength = !hasValue ? 0 : node.text ? node.value.size() + 1 : node.value.size();
  Put16(out, 0);  // wLength, filled in below
  Put16(out, static_cast<std::uint16_t>(valueLength));
  if (wide) Put16(out, node.text ? 1 : 0);
  PutChars(out, node.key, wide);
  PadTo4(out);
  if (hasValue) {
    if (node.text)
      PutChars(out, node.value, wide);
    else
      out.insert(out.end(), node.value.begin(), node.value.end());
  }
  for (const VersionNode& child : node.children) {
    PadTo4(out);
    EncodeInto(child, form, out);
  }
  const std::size_t length = out.size() - start;
  out[start] = static_cast<std::uint8_t>(length & 0xFF);
  out[start + 1] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> EncodeVersionNode(const VersionNode& node, VersionBlockForm form) {
  std::vector<std::uint8_t> out;
  EncodeInto(node, form, out);
  return out;
}

std::vector<std::uint8_t> EncodeVersionBlock(std::uint16_t language, std::uint16_t codePage,
                                             std::string_view fileVersion) {
  std::uint32_t numbers[4] = {0, 0, 0, 0};
  std::string_view rest = fileVersion;
  for (std::uint32_t& number : numbers) {
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (ec != std::errc() || end == rest.data() + rest.size() || *end != '.') break;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()) + 1);
  }
  const std::uint32_t ms = (numbers[0] & 0xFFFF) << 16 | (numbers[1] & 0xFFFF);
  const std::uint32_t ls = (numbers[2] & 0xFFFF) << 16 | (numbers[3] & 0xFFFF);
  std::string fixed;
  // Signature, structure version, file and product versions, flags mask, flags, OS (32-bit
  // Windows), type (application), subtype, date.
  for (std::uint32_t v : {0xFEEF04BDu, 0x00010000u, ms, ls, ms, ls, 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u})
    Put32(fixed, v);
  std::string translation;
  Put32(translation, static_cast<std::uint32_t>(codePage) << 16 | language);

  VersionNode fileVersionNode{"FileVersion", true, std::string(fileVersion), {}};
  VersionNode table{Printf("%04X%04X", language, codePage), true, "", {fileVersionNode}};
  VersionNode strings{"StringFileInfo", true, "", {table}};
  VersionNode var{"Translation", false, translation, {}};
  VersionNode vars{"VarFileInfo", true, "", {var}};
  return EncodeVersionNode({"VS_VERSION_INFO", false, fixed, {strings, vars}}, VersionBlockForm::Wide);
}

}  // namespace quarvex::host
