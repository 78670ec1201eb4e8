// A carved fragment read again by its address, IMAGE::@0xOFFSET, as `hives --carve` lists it:
// the image is searched again (its unallocated clusters, then every byte when the fragment is
// not found there), since a fragment is more than the bytes at its offset: the loose data
// blocks found elsewhere that carry the numbers its chain lacks belong to it. The windows'
// browser and `quarvex-cli facts` read fragments this way; a whole carved hive at the same
// kind of address is read as a file (image/carve_scope.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "carve/carver.h"
#include "carve/fragment_reader.h"
#include "text/codepage.h"

namespace quarvex::carve {

struct AddressedFragment {
  Fragment fragment;
  FragmentContents contents;
  std::string searched;  // what was searched to find it: "the unallocated clusters of file system 1"
};

// The fragment that starts at `offset` of the image; nullopt with the reason in error when the
// image cannot be read or no fragment starts there (a whole hive there is said to be one).
std::optional<AddressedFragment> ReadFragmentAt(const std::string& container, std::uint64_t offset,
                                                std::optional<text::CodePage> codePage, std::string& error);

// The text that marks a fragment wherever its contents are shown: what it is, what it keeps
// and what it lacks. One line per part, without line ends.
std::vector<std::string> FragmentMark(const Fragment& fragment, const FragmentContents& contents);

// The fragment's stand-in file as the browser shows it. Where the key-node block is lost the
// records found have no key to hang on, and a tree of keys would be empty: the stand-in then
// gets a key-node block holding an unnamed root and one key node per listed record below it,
// so that each record is shown at the top under its own name. Those nodes are the only bytes
// made up, and FragmentMark says the paths are unknown. With a surviving key-node block the
// stand-in file is returned as it is.
std::vector<std::uint8_t> BrowsableImage(const FragmentContents& contents);

}  // namespace quarvex::carve
