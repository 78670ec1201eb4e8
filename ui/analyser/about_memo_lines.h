// The About page's memo: the host facts line by line, ending with an empty line. A fact that
// is not known leaves out its line (on Linux without a Windows directory, the system files and
// Internet Explorer), and a file whose version or time stamp is not known is named without it;
// with every fact known these are the ten lines Windows shows. Plain C++, so that whatever
// collects the facts can build the same lines.
#pragma once

#include <string>
#include <vector>

#include "host/host_facts.h"

namespace quarvex::ui {

std::vector<std::string> AboutMemoLines(const quarvex::host::HostFacts& facts);

}  // namespace quarvex::ui
