// The members by which JSON outputs name a hive's file and its evidence (the digests examiners
// record of the bytes read, and of the image or cabinet they were read out of), and check's
// "report" member: the words the commands and the Python module share.
#pragma once

#include <string>
#include <string_view>

#include "session/opened_hive.h"

namespace quarvex::session {

// With its leading comma: what the faithful report makes of the file (made, or its failure code
// and why); null when it was not asked.
std::string ReportJsonMember(const OpenedHive& hive);

// With its leading comma: ", \"sha256\": \"...\", \"md5\": \"...\"".
std::string DigestJsonMembers(const OpenedHive& hive);

// For a hive read out of a disk image or cabinet, what it was read from, outermost first, each
// with its size and digests, with a leading comma:
// ", \"containers\": [{\"file\": \"disk.img\", \"size\": ..., \"sha256\": ..., \"md5\": ...}]";
// "" for a loose file. What cannot be read again for its digests is told in error and left out.
std::string ContainerJsonMembers(const OpenedHive& hive, std::string& error);

}  // namespace quarvex::session
