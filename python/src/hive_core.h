// One opened hive as the Python module holds it: the file's bytes, the salvage reader's model
// read as quarvex-cli's ls reads it (session/opened_hive.h), the view that browses it, and
// what is worked out later on demand (the full check, the recovery). Keys and values made for
// Python hold a shared_ptr to it, so the hive lives as long as anything of it is in use.
//
// Nothing here touches Python: the bindings release the GIL around these calls. The core is
// not changed after Open(); what is worked out later is kept under a mutex, so two Python
// threads may share one hive.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "browse/hive_view.h"
#include "detect/codepage_detect.h"
#include "hive/finding.h"
#include "recover/recover.h"
#include "session/opened_hive.h"
#include "text/codepage.h"

namespace quarvex::python {

// The faithful job (or the salvage reader) could not read the file as a hive. Becomes
// quarvex.HiveError.
struct HiveFailure {
  std::int32_t code = 0;
  std::optional<hive::Finding> finding;
  std::string message;
};

// The file itself could not be read. Becomes FileNotFoundError (missing) or OSError.
struct FileProblem {
  std::string message;
  std::string path;
  bool missing = false;
};

struct OpenRequest {
  std::string name;                                // what the hive is called (the path, or what the caller named it)
  std::optional<std::string> path;                 // a file path or IMAGE::PATH address to read
  std::optional<std::vector<std::uint8_t>> bytes;  // or the bytes themselves
  std::optional<text::CodePage> codePage;          // empty: detected, as --codepage auto
  bool strict = false;                             // the faithful report's readers must accept the file
};

class HiveCore {
 public:
  // Throws HiveFailure or FileProblem.
  static std::shared_ptr<HiveCore> Open(OpenRequest request);

  const std::string& Name() const { return name_; }
  const std::optional<std::string>& Path() const { return path_; }
  const session::OpenedHive& Checked() const { return *checked_; }
  const std::vector<std::uint8_t>& Bytes() const { return checked_->bytes; }
  const browse::HiveView& View() const { return checked_->View(); }
  const detect::CodePageChoice& CodePage() const { return checked_->codePage; }
  // The key node index of the unnamed root shown as the view's top, if the file has one.
  std::optional<std::int32_t> RootNode() const;

  // The hive as `check` reads it: with the faithful report's reading and its note.
  const session::OpenedHive& FullCheck();
  // The deleted keys still in the file, at every confidence.
  const recover::Recovery& Recovery();

 private:
  std::string name_;
  std::optional<std::string> path_;
  std::unique_ptr<session::OpenedHive> checked_;

  std::mutex lazy_;
  std::unique_ptr<session::OpenedHive> fullCheck_;
};

// "Fail(2): the file does not begin with \"CREG\": file header at 0x00000000: ..." as the
// command line words a failure.
std::string FailureMessage(std::int32_t code, const std::string& loadFailureReason,
                           const std::optional<hive::Finding>& finding);

}  // namespace quarvex::python
