// The hives facts and timeline read together: each named file opened once (bytes, salvaged
// model, code page, and on demand its view, its recovery and its digests: session/opened_hive.h)
// and named in the report by its size, SHA-256 and MD5. A file that cannot be read, or is no hive, is said
// on err under the command's name and left out; the others are read all the same.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "session/opened_hive.h"
#include "browse/hive_view.h"
#include "facts/collect.h"
#include "recover/recover.h"
#include "text/codepage.h"

namespace quarvex::cli {

struct LoadedHive {
  std::string file;
  std::unique_ptr<session::OpenedHive> opened;  // the bytes, the salvaged model, its view and recovery
};

struct LoadedHives {
  std::vector<std::unique_ptr<LoadedHive>> hives;  // in the order named; those read
  bool someFailed = false;                         // a file could not be read or is no hive
};

// codePage: --codepage, or empty to take each file's own.
LoadedHives LoadHives(std::string_view command, const std::vector<std::string>& files,
                      std::optional<text::CodePage> codePage, bool withRecovered, std::ostream& err);

// The facts' sources over the loaded hives (which must outlive them), each named with its digests.
std::vector<facts::HiveSource> FactSources(const LoadedHives& loaded, bool withRecovered);

// Writes a document whose lines end in lineEnd to path, atomically, as the report files are.
bool SaveDocument(const std::string& document, std::string_view lineEnd, const std::string& path, std::string& error);

}  // namespace quarvex::cli
