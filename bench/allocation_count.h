#pragma once
// Counts heap allocations, for benchmarks whose hot path must not allocate.
// Include it in exactly one source file of a benchmark executable: it
// replaces the global operator new and delete.

// Replacing the global allocator with malloc/free makes GCC warn about the
// benchmark library's own registrations, wrongly; the pairing is consistent.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench_allocations {
inline std::atomic<long> count{0};

inline long now() { return count.load(std::memory_order_relaxed); }

// The "allocs" counter: allocations per iteration since BEFORE (0 expected).
inline void report(benchmark::State& state, long before) {
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(now() - before),
                                                benchmark::Counter::kAvgIterations);
}
}  // namespace bench_allocations

void* operator new(std::size_t size) {
  bench_allocations::count.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
