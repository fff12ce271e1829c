// What every fuzz target shares: a check that survives release builds and
// names the failed condition, and the entry point libFuzzer calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
