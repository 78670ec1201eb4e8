#include "cli/line_prefix.h"

#include <cstring>

#include "browse/value_text.h"

namespace quarvex::cli {

bool LinePrefixBuffer::Put(const char* text, std::streamsize count) {
  while (count > 0) {
    if (lineStart_ && !prefix_.empty()) target_.write(prefix_.data(), static_cast<std::streamsize>(prefix_.size()));
    const void* end = std::memchr(text, '\n', static_cast<std::size_t>(count));
    const std::streamsize run = end ? static_cast<const char*>(end) - text + 1 : count;
    target_.write(text, run);
    lineStart_ = end != nullptr;
    text += run;
    count -= run;
  }
  return static_cast<bool>(target_);
}

LinePrefixBuffer::int_type LinePrefixBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char one = traits_type::to_char_type(c);
  return Put(&one, 1) ? c : traits_type::eof();
}

std::streamsize LinePrefixBuffer::xsputn(const char* text, std::streamsize count) {
  return Put(text, count) ? count : 0;
}

std::string FilePrefix(const std::string& file, bool several) {
  return several ? browse::EscapeControls(file) + ": " : std::string();
}

int LinePrefixBuffer::sync() {
  target_.flush();
  return target_ ? 0 : -1;
}

}  // namespace quarvex::cli
