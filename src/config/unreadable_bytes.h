// SPDX-License-Identifier: GPL-3.0-or-later
// Marks parts of a fixed buffer as unreadable in an AddressSanitizer build,
// so that a read past the valid part of a reused buffer (a short datagram,
// a short line) is reported instead of silently seeing what an earlier,
// longer content left there. Without AddressSanitizer both do nothing.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TARCFG_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARCFG_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef TARCFG_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace tarcfg {

// The owner of the buffer must mark it readable again before it writes to
// it and before the buffer's memory goes away (a stack object's destructor).
inline void MarkBytesReadable(const void* bytes, std::size_t size) {
#ifdef TARCFG_ADDRESS_SANITIZER
  ASAN_UNPOISON_MEMORY_REGION(bytes, size);
#else
  (void)bytes;
  (void)size;
#endif
}

inline void MarkBytesUnreadable(const void* bytes, std::size_t size) {
#ifdef TARCFG_ADDRESS_SANITIZER
  ASAN_POISON_MEMORY_REGION(bytes, size);
#else
  (void)bytes;
  (void)size;
#endif
}

}  // namespace tarcfg
