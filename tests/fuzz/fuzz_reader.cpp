// Fuzz target: the request reader, fed the input in pieces whose sizes the
// input's first bytes choose, against a plain scan for the terminator.
#include <string>

#include "fuzz_check.h"
#include "protocol/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t cap = 1 + data[0] * 16u;  // small caps reach TooLarge often
  const uint8_t pieces = data[1];
  std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);

  // The reference: the first zero pair at an even offset ends the body.
  std::size_t end = std::string::npos;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == 0 && bytes[i + 1] == 0) {
      end = i;
      break;
    }

  tav::RequestReader reader(cap);
  std::size_t off = 0, step = 1 + pieces % 7;
  tav::ReadState st = tav::ReadState::Incomplete;
  while (off < bytes.size()) {
    std::size_t n = std::min(step, bytes.size() - off);
    st = reader.feed(bytes.data() + off, n);
    off += n;
    step = 1 + (step * 5 + pieces) % 13;
  }
  if (end != std::string::npos && end <= cap) {
    FUZZ_CHECK(st == tav::ReadState::Complete);
    std::u16string body = reader.body();
    FUZZ_CHECK(body.size() * 2 == end);
    FUZZ_CHECK(tav::toUtf16le(body) == bytes.substr(0, end));
  } else if (end == std::string::npos && bytes.size() <= cap) {
    FUZZ_CHECK(st == tav::ReadState::Incomplete);
  } else {
    FUZZ_CHECK(st == tav::ReadState::TooLarge);
  }
  return 0;
}
