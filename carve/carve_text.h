// The carver's results as `quarvex-cli hives --carve` prints them: per fragment what it keeps
// and what it lacks, then its keys (by path where the key-node block survives, else by name)
// with their values, shown as `ls -v` shows them; and the same as JSON.
#pragma once

#include <string>
#include <vector>

#include "carve/carver.h"
#include "carve/fragment_reader.h"
#include "text/codepage.h"

namespace quarvex::carve {

// "file header, key-node block, data blocks 0-1, 4"
std::string FragmentHas(const Fragment& fragment);
// Bytes of the source the fragment keeps.
std::uint64_t FragmentBytes(const Fragment& fragment);

// The fragment's lines after its listing line: what it lacks, its counts, its keys and values.
// Names and texts in the code page the fragment was read with.
std::vector<std::string> FragmentLines(const Fragment& fragment, const FragmentContents& contents);

// JSON objects: a carved hive (address given) and a fragment with its keys.
std::string CarvedHiveJson(const HiveChain& hive, const std::string& address);
std::string FragmentJson(const Fragment& fragment, const FragmentContents& contents);

}  // namespace quarvex::carve
