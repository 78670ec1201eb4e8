// Lines with a prefix, as grep writes them for several files: "FILE: " before every line a
// subcommand writes about FILE. The stream writes through to another one; an empty prefix
// passes the lines as they are.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace quarvex::cli {

class LinePrefixBuffer : public std::streambuf {
 public:
  LinePrefixBuffer(std::ostream& target, std::string prefix) : target_(target), prefix_(std::move(prefix)) {}

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool Put(const char* text, std::streamsize count);

  std::ostream& target_;
  std::string prefix_;
  bool lineStart_ = true;
};

// "FILE: " for the lines of one of several files (control characters of the name escaped, so
// that every line stays one); "" for a file given alone.
std::string FilePrefix(const std::string& file, bool several);

class PrefixedStream : public std::ostream {
 public:
  PrefixedStream(std::ostream& target, std::string prefix) : std::ostream(nullptr), buffer_(target, std::move(prefix)) {
    rdbuf(&buffer_);
  }

 private:
  LinePrefixBuffer buffer_;
};

}  // namespace quarvex::cli
