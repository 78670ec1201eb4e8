#include "text/iconv_cache.h"

#if !defined(_WIN32)
#include <string>
#include <vector>

namespace quarvex::text {

namespace {

struct OpenConverter {
  std::string to;
  std::string from;
  iconv_t cd;
};

// The converters this thread opened: a handful at most (a code page to UTF-8 and back, the
// terminal's charset), so a list is searched.
class ThreadConverters {
 public:
  ThreadConverters() = default;
  ThreadConverters(const ThreadConverters&) = delete;
  ThreadConverters& operator=(const ThreadConverters&) = delete;
  ~ThreadConverters() {
    for (const OpenConverter& c : open_)
      if (c.cd != kNone) iconv_close(c.cd);
  }

  iconv_t Get(const char* to, const char* from) {
    for (const OpenConverter& c : open_)
      if (c.to == to && c.from == from) return Reset(c.cd);
    open_.push_back({to, from, iconv_open(to, from)});
    return open_.back().cd;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  // Whatever a conversion before left behind (a shift state, a character held back) is
  // dropped: each use starts as a freshly opened converter.
  static iconv_t Reset(iconv_t cd) {
    if (cd != kNone) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
  }
  std::vector<OpenConverter> open_;
};

}  // namespace

iconv_t SharedConverter(const char* to, const char* from) {
  thread_local ThreadConverters converters;
  return converters.Get(to, from);
}

}  // namespace quarvex::text
#endif
