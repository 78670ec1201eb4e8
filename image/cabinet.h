// The registry backups of Windows 98 and Me: RBnnn.CAB cabinet files holding SYSTEM.DAT,
// USER.DAT (and more), read from memory with libmspack and extracted to memory; nothing is
// written to disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarvex::image {

// No member larger than this is extracted: Windows 9x registry files stay far below it, and
// a damaged cabinet claiming more cannot make us allocate without end.
inline constexpr std::uint32_t kLargestCabinetMember = 256u * 1024 * 1024;

struct CabinetMember {
  std::string name;        // as stored (code page or UTF-8 per its attribute), '\' kept
  std::uint32_t size = 0;  // uncompressed
  // The member's DOS date and time as the cabinet holds them.
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Whether the bytes start like a cabinet ("MSCF").
bool LooksLikeCabinet(const std::vector<std::uint8_t>& bytes);

// The members of a cabinet, or nullopt with the reason in error.
std::optional<std::vector<CabinetMember>> ListCabinet(const std::vector<std::uint8_t>& bytes, std::string& error);

// One member's bytes, found by name (either case, '/' and '\' alike), or nullopt with the
// reason in error.
std::optional<std::vector<std::uint8_t>> ExtractCabinetMember(const std::vector<std::uint8_t>& bytes,
                                                              const std::string& member, std::string& error,
                                                              std::uint32_t largest = kLargestCabinetMember);

}  // namespace quarvex::image
