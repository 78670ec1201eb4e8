// Converters of iconv kept open for reuse (not on Windows, which converts through its own
// code page functions). Opening one looks the pair of charsets up in the system's list of
// conversion modules, which costs more than converting a key name; a report or a listing
// converts thousands of names, so each thread opens each pair once.
#pragma once

#if !defined(_WIN32)
#include <iconv.h>

namespace quarvex::text {

// The converter from `from` to `to` for this thread, in its initial state, or (iconv_t)-1
// when iconv cannot convert between the two. Closed when the thread ends; never to be closed
// by the caller.
iconv_t SharedConverter(const char* to, const char* from);

}  // namespace quarvex::text
#endif
