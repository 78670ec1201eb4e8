// The timeline as text (one event per line, the shape-found and the local-only times apart), as
// CSV, as JSON and as a body file of The Sleuth Kit, which mactime and the tools that read its
// body files sort and merge with the file system's times. All output is UTF-8.
#pragma once

#include <span>
#include <string>

#include "timeline/timeline.h"

namespace quarvex::timeline {

std::string TimelineText(std::span<const facts::HiveSource> sources, const Timeline& timeline);
// RFC 4180: a header row, one row per event; formulas defused with a leading apostrophe.
std::string TimelineCsv(std::span<const facts::HiveSource> sources, const Timeline& timeline);
std::string TimelineJson(std::span<const facts::HiveSource> sources, const Timeline& timeline);
// MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime, one line per event with a UTC
// time, the time as mtime (Unix seconds), the others 0. The name is "FILE:KEY\VALUE (meaning:
// detail)"; a '|' in it is written "%7C", as the format has no quoting.
std::string TimelineBodyfile(std::span<const facts::HiveSource> sources, const Timeline& timeline);

}  // namespace quarvex::timeline
