// SPDX-License-Identifier: GPL-3.0-or-later
// Counts the program's heap allocations (every operator new), so that a
// benchmark can report allocations per exchange: a figure that, unlike a
// time, does not move with the load of the machine. Include it in exactly
// one source file of a program: it replaces the global operator new.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {

inline std::atomic<long> allocations{0};

inline long Allocations() {
  return allocations.load(std::memory_order_relaxed);
}

}  // namespace bench

// Not inlined: seen through, a delete would be a free() of memory from
// operator new, which GCC rightly warns of (-Wmismatched-new-delete) even
// though this operator new takes it from malloc().
#define BENCH_REPLACEMENT __attribute__((noinline))

BENCH_REPLACEMENT void* operator new(std::size_t size) {
  bench::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
BENCH_REPLACEMENT void* operator new[](std::size_t size) {
  return ::operator new(size);
}
BENCH_REPLACEMENT void operator delete(void* p) noexcept {
  std::free(p);
}
BENCH_REPLACEMENT void operator delete[](void* p) noexcept {
  std::free(p);
}
BENCH_REPLACEMENT void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
BENCH_REPLACEMENT void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

#undef BENCH_REPLACEMENT
