// What ls, get, find and diff share: their usages, and how a key or a value
// is shown on a line, in JSON or as a hex dump (stats has its own lines in cli_stats.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/exit_codes.h"
#include "browse/hive_view.h"
#include "hive/finding.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::cli {

// Data texts on list lines are shortened to about this many characters.
inline constexpr std::size_t kListLimit = 80;

using Parsed = ParsedArgs;

// The usage of ls, get, find or diff, with the lines on --codepage and on several files.
std::string UsageOf(const std::string& name);

// "name  TYPE  data" as ls -v, get and find print it.
std::string ValueLine(const salvage::SalvagedValue& v, text::CodePage cp, std::size_t limit);

// "  [ghost, damaged]" after a key's name: what its state marks; "" for a sound key.
std::string Marks(const browse::HiveView& view, std::int32_t key);

// The damage and warnings about a key (notes are decisions, not problems of the key).
std::vector<const hive::Finding*> Problems(const browse::HiveView& view, std::int32_t key);

// A key as ls --json writes it: path, name, depth, subkeys, marks, findings, and its values.
std::string KeyJson(const browse::HiveView& view, std::int32_t key, bool values);

// Looks KEY up; an error line and nullopt when it is not there.
std::optional<std::int32_t> FindKey(const std::string& sub, const std::string& file, const browse::HiveView& view,
                                    const std::string& path, std::ostream& err);

// 00000000  01 02 03 04 05 06 07 08  09 0A 0B 0C 0D 0E 0F 10  |................|
void HexDump(hive::Bytes data, std::ostream& out);

}  // namespace quarvex::cli
