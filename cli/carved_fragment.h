// A carved fragment named on the command line: IMAGE::@0xOFFSET where `hives --carve` lists a
// fragment, not a whole registry file. What the fragment's reader listed of it (carve/) is
// read again from the image, with the deleted keys its free space still holds by the carver's
// rules (those of low confidence left out), for the commands that can use a fragment (facts,
// recover).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"
#include "carve/fragment_lookup.h"
#include "facts/collect.h"
#include "recover/recover.h"
#include "text/codepage.h"

namespace quarvex::cli {

struct LoadedFragment {
  std::string file;
  carve::AddressedFragment read;
  std::unique_ptr<browse::HiveView> view;  // over read.contents.hive
  // The deleted keys kept: in surviving blocks, not of low confidence; their records' and values'
  // offsets are the image's (the key nodes of the stand-in file are left out).
  recover::Recovery recovery;
  std::vector<bool> listed;  // by key index: the record was listed (a key with a path)
};

// Whether file is an address IMAGE::@OFFSET at which no whole registry file lies.
bool AddressesFragment(const std::string& file);

// The fragment, or nullptr with the reason said on err under the command's name.
std::unique_ptr<LoadedFragment> LoadFragment(std::string_view command, const std::string& file,
                                             std::optional<text::CodePage> codePage, bool withRecovered,
                                             std::ostream& err);

// The facts' source over it (which must outlive the source): marked carved, with what it lacks.
facts::HiveSource FragmentFactSource(const LoadedFragment& fragment, bool withRecovered);

}  // namespace quarvex::cli
