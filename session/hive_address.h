// Where a hive comes from, as a command line or a window names it, parsed once: a loose file on
// disk, "-" (standard input), or a file inside a disk image or cabinet ("IMAGE::PATH",
// "IMAGE::PATH::MEMBER", "CABINET::MEMBER", "IMAGE::@0x1A2B000" for a carved hive). Whether an
// argument is an address depends on which prefix names an existing file (a file name may hold
// "::"), so it is decided here, once, and everything after asks the parsed address.
#pragma once

#include <optional>
#include <string>

#include "image/image_address.h"

namespace quarvex::session {

class HiveAddress {
 public:
  enum class Kind { DiskFile, StandardInput, InContainer };

  // "-" is standard input when standardInput allows it (the command line); a script's or a
  // window's "-" is a file of that name.
  static HiveAddress Parse(std::string text, bool standardInput = true);

  const std::string& Text() const { return text_; }  // as given: how lines and JSON name the hive
  Kind What() const { return kind_; }
  bool InContainer() const { return kind_ == Kind::InContainer; }
  bool IsStandardInput() const { return kind_ == Kind::StandardInput; }
  // The image or cabinet and the parts after it; only for InContainer.
  const image::ImageAddress& Container() const { return *container_; }
  // The file on disk that is read: the image or cabinet, or the loose file itself.
  const std::string& DiskFile() const { return InContainer() ? container_->container : text_; }
  // A hive the carver found in an image's unallocated space ("IMAGE::@0x...").
  bool IsCarved() const;
  // The innermost file's name ("SYSTEM.DAT" of "IMG::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT"), for
  // what a name tells (the export's root key, the companions' search).
  std::string InnermostName() const;
  // Where a system.dat beside this hive may lie: only a loose file on disk has such a folder.
  bool HasFolder() const { return kind_ == Kind::DiskFile; }

 private:
  std::string text_;
  Kind kind_ = Kind::DiskFile;
  std::optional<image::ImageAddress> container_;
};

}  // namespace quarvex::session
