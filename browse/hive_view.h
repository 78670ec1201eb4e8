// A salvaged hive as a tree to browse: children per key, names and paths in UTF-8, lookup of
// a key path the way Windows 9x resolves one, and the findings that concern each key.
//
// The view's top (kTop) stands for the hive's root key. Real files keep the root as an
// unnamed key node without a data record; that node is not shown, its children are the top
// level. Other top-level nodes (siblings of the root, lost nodes whose parent is unknown) are
// shown at the top level too, so nothing the salvage reader found is hidden.
//
// Names are compared as Windows 9x compares them: single-byte a-z fold to A-Z, nothing else
// folds, and the second byte of a double-byte character (which may lie in 0x40-0x7E) is never
// folded. Lookups compare in UTF-8, where every byte of a non-ASCII character is 0x80 or above
// and only ASCII letters fold, which gives the same answer.
//
// Every walk here is iterative: a crafted file can nest keys as deep as it has key nodes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::browse {

inline constexpr std::int32_t kTop = -1;

// What is wrong with a key, as far as listing it goes.
struct KeyState {
  bool lost = false;           // found between the nodes, not by a link
  bool unreadable = false;     // its data record is missing: no name, no values
  bool valuesMissing = false;  // the record announces more values than could be read
  bool valuesCut = false;      // a value's name or data runs past the record
  bool damaged = false;        // a damage finding concerns the key's node or record
  bool Marked() const { return lost || unreadable || valuesMissing || valuesCut || damaged; }
};

// The words for what is wrong with a key, as listings and JSON mark it: "lost", "unreadable",
// "values missing", "values cut", and "damaged" when none of the others says it.
std::vector<std::string> KeyStateMarks(const KeyState& state);

// Upper-cases single-byte a-z of a name in the hive's code page, leaving double-byte
// characters whole.
std::string FoldName(std::string_view name, const text::LeadByteSet& leadBytes);
// Upper-cases ASCII a-z of UTF-8 (or any ASCII-compatible) text.
std::string FoldAscii(std::string_view text);

// The components of a key path: split at backslashes, empty components dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);
// HKEY_USERS, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG,
// HKEY_DYN_DATA and their short forms (HKU, HKLM ...), any case.
bool IsRootKeyName(std::string_view name);

struct Lookup {
  std::optional<std::int32_t> key;  // kTop or an index into the hive's keys
  std::string error;                // when not found: "no key 'Software\Vendr' (under 'Software')"
};

class HiveView {
 public:
  // The hive must outlive the view.
  HiveView(const salvage::SalvagedHive& hive, text::CodePage codePage);

  const salvage::SalvagedHive& Hive() const { return *hive_; }
  text::CodePage CodePage() const { return codePage_; }
  const text::LeadByteSet& LeadBytes() const { return leadBytes_; }

  // The keys under key (kTop: the top level), in the order the file links them.
  std::span<const std::int32_t> Children(std::int32_t key) const;
  std::int32_t Parent(std::int32_t key) const;  // kTop for a top-level key
  // 0 for kTop, 1 for a top-level key.
  int Depth(std::int32_t key) const;
  std::span<const salvage::SalvagedValue> Values(std::int32_t key) const;
  // The index in hive.values of a value of key's span.
  std::size_t ValueIndex(const salvage::SalvagedValue& value) const;

  // The name's bytes in the hive's code page; "{key node 0x000000AC}" when unreadable.
  std::string NameBytes(std::int32_t key) const;
  std::string Name(std::int32_t key) const;  // in UTF-8
  // "Software\Microsoft" from the top, without a root name; "" for kTop.
  std::string PathBytes(std::int32_t key) const;
  std::string Path(std::int32_t key) const;  // in UTF-8

  KeyState State(std::int32_t key) const;
  // Indexes into hive.findings of the findings about the key's node, record or values (kTop:
  // those about no key).
  std::span<const std::int32_t> Findings(std::int32_t key) const;

  // A key path in UTF-8 (see the top of this file); a leading root name is skipped unless a
  // top-level key has that name. Among siblings of one name, the first in file order wins.
  Lookup Find(std::string_view pathUtf8) const;
  // The first value of key named nameUtf8 ("" or "@": the unnamed value; "@" names a value
  // called "@" only when the key has no unnamed value).
  const salvage::SalvagedValue* FindValue(std::int32_t key, std::string_view nameUtf8) const;

  // Pre-order walk below from (from itself not visited), down to maxDepth levels under it
  // (0: no limit); visit gets the key and its depth relative to from (1 = a child). A visit
  // returning false stops the walk.
  void Walk(std::int32_t from, int maxDepth, const std::function<bool(std::int32_t key, int depth)>& visit) const;

 private:
  std::size_t Slot(std::int32_t key) const { return static_cast<std::size_t>(key + 1); }

  const salvage::SalvagedHive* hive_;
  text::CodePage codePage_;
  text::LeadByteSet leadBytes_;
  std::int32_t hiddenRoot_ = kTop;  // the unnamed root node shown as kTop, if any
  // Slot 0 is kTop, slot k+1 key k.
  std::vector<std::vector<std::int32_t>> children_;
  std::vector<std::int32_t> parent_;
  std::vector<int> depth_;
  std::vector<std::vector<std::int32_t>> findings_;
};

}  // namespace quarvex::browse
