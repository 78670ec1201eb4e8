// How a fixed-size record of the file is laid out: one table entry per field.
//
// Each record of the format has a table of its fields, in the order they are stored: the
// field's name, its offset inside the record and its width in bytes, and whether a 32-bit
// field is read as signed (an offset or size, where 0xFFFFFFFF means -1, "none"). The table is
// the one place a field's offset is written: the decoders read through it, and the structure
// report and the findings take the field's name from it, so the name a finding gives is the
// one the report prints, and a hex viewer at record + offset shows the value.
//
// A record's fields are named by an enum whose values index its table. FieldsOf(field) finds
// the table from any of its fields, so FieldName(KeyNodeField::UprOfs) is "UprOfs".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "hive/byte_cursor.h"

namespace quarvex::hive {

struct FieldLayout {
  std::string_view name;   // as the structure report and the findings print it
  std::size_t offset = 0;  // inside the record
  std::size_t width = 0;   // bytes: 2 or 4 for numbers, 4 for a signature
  bool isSigned = false;   // a 32-bit offset or size, read as a signed number
};

// Whether the fields lie in ascending order, none overlapping another, all inside a record of
// `size` bytes.
constexpr bool FieldsFit(std::span<const FieldLayout> fields, std::size_t size) {
  std::size_t end = 0;
  for (const FieldLayout& f : fields) {
    if (f.width == 0 || f.offset < end || f.offset + f.width > size) return false;
    end = f.offset + f.width;
  }
  return true;
}

// Whether the fields follow one another without a gap and together fill `size` bytes.
constexpr bool FieldsCover(std::span<const FieldLayout> fields, std::size_t size) {
  std::size_t end = 0;
  for (const FieldLayout& f : fields) {
    if (f.width == 0 || f.offset != end) return false;
    end += f.width;
  }
  return end == size;
}

// The widest field name: the header dumps pad names to one column.
constexpr std::size_t LongestName(std::span<const FieldLayout> fields) {
  std::size_t longest = 0;
  for (const FieldLayout& f : fields) longest = f.name.size() > longest ? f.name.size() : longest;
  return longest;
}

// The table a field belongs to, its entry and its name. FieldsOf is declared beside each
// record's enum.
template <typename Field>
constexpr const FieldLayout& FieldLayoutOf(Field field) {
  return FieldsOf(field)[static_cast<std::size_t>(field)];
}
template <typename Field>
constexpr std::string_view FieldName(Field field) {
  return FieldLayoutOf(field).name;
}
template <typename Field>
constexpr std::size_t FieldOffset(Field field) {
  return FieldLayoutOf(field).offset;
}

namespace detail {

// Little-endian numbers at a fixed place, unchecked: only for bytes already known to hold the
// whole record (a decoder is handed exactly one).
inline std::uint16_t LoadLe16(Bytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }
inline std::uint32_t LoadLe32(Bytes b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The C++ type a number field is read as.
template <std::size_t Width, bool Signed>
struct FieldTypeFor;
template <>
struct FieldTypeFor<2, false> {
  using type = std::uint16_t;
};
template <>
struct FieldTypeFor<4, false> {
  using type = std::uint32_t;
};
template <>
struct FieldTypeFor<4, true> {
  using type = std::int32_t;
};

}  // namespace detail

// The type a number field is read as: 16 bits unsigned, 32 bits unsigned or signed.
template <auto Field>
using FieldType = typename detail::FieldTypeFor<FieldLayoutOf(Field).width, FieldLayoutOf(Field).isSigned>::type;

// Reads a number field from the bytes of one whole record (at least the record's size).
template <auto Field>
FieldType<Field> LoadField(Bytes record) {
  constexpr FieldLayout layout = FieldLayoutOf(Field);
  if constexpr (layout.width == 2) {
    return detail::LoadLe16(record, layout.offset);
  } else {
    return static_cast<FieldType<Field>>(detail::LoadLe32(record, layout.offset));
  }
}

// Reads a number field into a record's member, which must have the width and signedness the
// table gives it: a member declared with another type does not compile.
template <auto Field, typename Member>
void LoadField(Bytes record, Member& member) {
  static_assert(std::is_same_v<Member, FieldType<Field>>, "the member's type differs from the field table's");
  member = LoadField<Field>(record);
}

// Reads a number field of the record at `at` in `image`, checked: nothing when the field does
// not lie wholly inside the image (or `at` is negative).
template <auto Field>
std::optional<FieldType<Field>> FieldAt(Bytes image, std::int64_t at) {
  constexpr FieldLayout layout = FieldLayoutOf(Field);
  if (at < 0) return std::nullopt;
  const auto fieldAt = static_cast<std::uint64_t>(at) + layout.offset;
  if (fieldAt > image.size() || image.size() - fieldAt < layout.width) return std::nullopt;
  return LoadField<Field>(image.subspan(static_cast<std::size_t>(at)));
}

// Writes a number field into the bytes of one record, little-endian where the table places it:
// for a reader that puts a file of its own together (the carver's stand-in headers). A field
// that would not lie wholly inside `record` is not written.
template <auto Field>
void StoreField(std::span<std::uint8_t> record, FieldType<Field> value) {
  constexpr FieldLayout layout = FieldLayoutOf(Field);
  if (record.size() < layout.offset + layout.width) return;
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < layout.width; ++i) record[layout.offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace quarvex::hive
