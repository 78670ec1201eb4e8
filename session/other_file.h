// What a file given as a hive is when it is none: empty, a disk image or cabinet (whose hives
// `quarvex-cli hives` lists), a registry file of Windows NT. The lines that refuse such a file
// say so, and point the way to the hives inside an image.
#pragma once

#include <string>

#include "hive/byte_cursor.h"
#include "session/hive_address.h"

namespace quarvex::session {

enum class OtherFile { Unknown, Empty, DiskImage, Cabinet, NtHive };

// bytes: what the file at address holds.
OtherFile WhatFileIs(const HiveAddress& address, hive::Bytes bytes);

// "the file is empty (0 bytes)", "a disk image", "a cabinet", "a registry file of Windows NT,
// 2000 or XP ("regf"), which this tool does not read"; "" for Unknown.
std::string OtherFileText(OtherFile kind);

// For a disk image or cabinet: how to read the hives inside it ("quarvex-cli hives FILE lists
// the registry files in it; give one as FILE::PATH"); "" for the other kinds.
std::string HivesHint(const std::string& file, OtherFile kind);

}  // namespace quarvex::session
