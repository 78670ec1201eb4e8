// The image module's cabinet reader (libmspack, all in memory). Built into the module only;
// the programs reach it through ListCabinet and ExtractCabinetMember.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/cabinet.h"

namespace quarvex::image {

std::optional<std::vector<CabinetMember>> ListCabinetWithMspack(const std::vector<std::uint8_t>& bytes,
                                                                std::string& error);
std::optional<std::vector<std::uint8_t>> ExtractCabinetMemberWithMspack(const std::vector<std::uint8_t>& bytes,
                                                                        const std::string& member, std::string& error,
                                                                        std::uint32_t largest);

}  // namespace quarvex::image
