// The plain replay program of a fuzz target: runs every file of the given
// folders (the committed corpus, crash inputs included) and a fixed number
// of deterministic mutations of each, so the suite repeats the same inputs
// on every run without a fuzzing engine.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_check.h"

namespace {

struct Rng {
  uint64_t s;
  uint64_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(next() % n) : 0; }
};

// Flips, inserts, deletes and duplicates bytes, and splices in the bytes
// that matter to the wire (separators, terminators).
std::string mutate(std::string in, Rng& rng) {
  static const char special[] = {0, 23, 24, 25, '(', ')', 'T', 'F', '0', '7', '8', '-', '9'};
  const int edits = 1 + static_cast<int>(rng.below(4));
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = rng.below(in.size() + 1);
    switch (rng.below(5)) {
      case 0:
        if (!in.empty()) in[rng.below(in.size())] ^= static_cast<char>(1 << rng.below(8));
        break;
      case 1:
        in.insert(at, 1, special[rng.below(sizeof special)]);
        break;
      case 2:
        if (at < in.size()) in.erase(at, 1 + rng.below(std::min<std::size_t>(8, in.size() - at)));
        break;
      case 3:
        if (!in.empty()) {
          std::size_t from = rng.below(in.size());
          in.insert(at, in.substr(from, 1 + rng.below(16)));
        }
        break;
      case 4:
        in.insert(at, std::string(2, special[rng.below(sizeof special)]));
        break;
    }
  }
  return in;
}

int run(const std::string& bytes) {
  return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int mutations = 200;
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--mutations=", 0) == 0) {
      mutations = std::atoi(a.c_str() + 12);
      continue;
    }
    if (std::filesystem::is_directory(a)) {
      for (const auto& e : std::filesystem::directory_iterator(a))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.push_back(a);
    }
  }
  std::sort(files.begin(), files.end());
  Rng rng{0x9E3779B97F4A7C15ULL};
  std::size_t runs = 0;
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    run(bytes);
    ++runs;
    for (int m = 0; m < mutations; ++m, ++runs) run(mutate(bytes, rng));
  }
  std::printf("%zu inputs from %zu files, no failure\n", runs, files.size());
  return files.empty() ? 1 : 0;
}
