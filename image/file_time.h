// A file's last-written time as the system clock counts it (seconds since 1970, UTC).
// libc++ before its file_clock::to_sys (the one of Debian's emscripten, for the web page)
// counts file times from the same epoch as the system clock; libstdc++ and newer libc++
// convert with to_sys.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>

namespace quarvex::image {

template <typename Clock>
concept ConvertsToSystemClock = requires(typename Clock::time_point t) {
  Clock::to_sys(t);
};

// A template, so that the branch the library cannot compile is discarded unseen.
template <typename TimePoint = std::filesystem::file_time_type>
std::time_t FileTimeUtc(TimePoint written) {
  using std::chrono::system_clock;
  if constexpr (ConvertsToSystemClock<typename TimePoint::clock>) {
    return system_clock::to_time_t(TimePoint::clock::to_sys(written));
  } else {
    return system_clock::to_time_t(
        system_clock::time_point(std::chrono::duration_cast<system_clock::duration>(written.time_since_epoch())));
  }
}

}  // namespace quarvex::image
