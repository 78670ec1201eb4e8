// The About page's memo: the host facts as ten lines (the last one empty). Plain C++, so that
// whatever collects the facts can build the same lines.
#pragma once

#include <string>
#include <vector>

#include "host/host_facts.h"

namespace quarvex::ui {

std::vector<std::string> AboutMemoLines(const quarvex::host::HostFacts& facts);

}  // namespace quarvex::ui
