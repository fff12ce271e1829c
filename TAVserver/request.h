// Reading the fields of a request body. A request that lacks a field its
// command needs is refused with the command's word, never half-served.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/wire.h"

namespace tav::server {

// Thrown by a handler before it changes anything; the dispatcher answers
// `word` (or "UNKNOWNS" when empty).
struct BadRequest {
  std::u16string word;
};

// The fields after the command word (and any glued flag) at `from`; at
// least `count` of them must be there, else BadRequest{refusal}.
inline std::vector<std::u16string_view> requireFields(std::u16string_view body, std::size_t from,
                                                      std::size_t count,
                                                      std::u16string_view refusal = {}) {
  if (body.size() < from) throw BadRequest{std::u16string(refusal)};
  auto f = splitFields(body, from);
  if (f.size() < count) throw BadRequest{std::u16string(refusal)};
  return f;
}

}  // namespace tav::server
