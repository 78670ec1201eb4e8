// Keys and values of a registry file looked up by path, for the host probe where the
// machine's HKEY_LOCAL_MACHINE is a Windows 9x system.dat on disk.
//
// The file goes through the same readers as an analysis (header, data block chain, record
// index); a key is found by walking the children of each key on the path, names compared
// ignoring ASCII letter case. Every sibling walk ends at a link that is not positive or at the
// first repeat; every read is bounded by the file, so a damaged file gives "no such key" or
// fewer values, never a read outside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hive/hive_state.h"

namespace quarvex::host {

struct RegistryFileValue {
  std::string name;
  std::uint32_t type = 0;  // 1 text, 2 text with environment references, 3 binary, 4 DWORD ...
  std::string data;        // the stored bytes
};

class RegistryFile {
 public:
  // Reads and indexes the file. A file that cannot be read, or whose header or data block
  // chain is unsound, opens no key.
  explicit RegistryFile(const std::string& path);
  explicit RegistryFile(hive::HiveImage image);

  bool Usable() const { return usable_; }
  // Why the file is not usable, in words; empty when it is.
  const std::string& Problem() const { return problem_; }

  // The values of the key at `path` ("Software\Microsoft\Internet Explorer"; the empty path is
  // the root key), in stored order, or nothing when there is no such key. Values whose entry,
  // name or data reach past the end of the file end the list.
  std::optional<std::vector<RegistryFileValue>> KeyValues(std::string_view path);

 private:
  void Index();
  std::optional<std::int32_t> FindChild(const hive::KeyNode& parent, std::string_view name);
  std::string KeyName(const hive::KeyNode& node);
  // The key's data record, when the index holds it.
  std::optional<hive::FileOffset> RecordOf(const hive::KeyNode& node);
  std::vector<RegistryFileValue> Values(const hive::KeyNode& node);

  hive::Hive hive_;
  bool usable_ = false;
  std::string problem_;
};

}  // namespace quarvex::host
