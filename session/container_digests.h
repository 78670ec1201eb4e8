// The digests of what a hive was read out of: the disk image or cabinet on disk, and the cabinet
// inside an image ("IMG::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT"), as examiners record the evidence
// a finding came from beside the hive's own.
#pragma once

#include <string>
#include <vector>

#include "session/file_digest.h"
#include "session/hive_address.h"

namespace quarvex::session {

struct ContainerDigest {
  std::string file;  // as an address names it: "disk.img", "disk.img::WINDOWS/SYSBCKUP/RB001.CAB"
  SizedDigests digests;
};

// Outermost first; empty for a loose file or standard input. A disk image is read whole for it,
// once per run: a later hive of the same image gets the digests already computed. What cannot be
// read is left out, with the reason in error.
std::vector<ContainerDigest> ContainerDigests(const HiveAddress& address, std::string& error);

}  // namespace quarvex::session
