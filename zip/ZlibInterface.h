// How the reader calls zlib's inflateInit2_. The 32-bit Windows program names
// the 1.1.3 interface with its 56-byte stream record; zlib accepts any version
// text of the same major number and checks the record size. Elsewhere the
// record size of the zlib at hand is passed (88 bytes in the 64-bit Windows
// program, where long stays 32-bit).
#pragma once

#include <zlib.h>

namespace zlib_interface {

inline constexpr const char* kVersion = "1.1.3";

#if defined(_WIN32) && !defined(_WIN64)
inline constexpr int kStreamRecordSize = 56;
static_assert(sizeof(z_stream) == kStreamRecordSize, "z_stream of the 1.1.3 interface on i686");
#elif defined(_WIN64)
inline constexpr int kStreamRecordSize = 88;
static_assert(sizeof(z_stream) == kStreamRecordSize, "z_stream on x64 Windows");
#else
inline constexpr int kStreamRecordSize = static_cast<int>(sizeof(z_stream));
#endif

}  // namespace zlib_interface
