// The reference the evaluator is held to: the record's expression written out
// as text ("(1o0)a1") and folded by rewriting, bracket group by bracket group.
#pragma once
#include <span>
#include <string>
#include <vector>

#include "TAVserver/conditions.h"

namespace literalfold {

// Pairs of (letter, digit) read from the left, starting from yes.
inline bool foldPairs(const std::string& text) {
  bool r = true;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const bool d = text[i + 1] == '1';
    r = text[i] == 'a' ? (r && d) : (r || d);
  }
  return r;
}

inline std::string expression(std::span<const tav::server::conditions::Condition> conds,
                              const std::vector<bool>& results) {
  std::string e;
  for (std::size_t i = 0; i < conds.size(); ++i) {
    if (conds[i].open) e += '(';
    e += results[i] ? '1' : '0';
    if (conds[i].close) e += ')';
    if (i + 1 < conds.size()) e += conds[i].andNext ? 'a' : 'o';
  }
  return e;
}

// Replaces the first "(" .. ")" by its folded digit until none is left, then
// folds what remains. Expects every "(" closed.
inline bool fold(std::string e) {
  for (;;) {
    const auto l = e.find('(');
    if (l == std::string::npos) break;
    const auto r = e.find(')', l);
    const bool v = foldPairs("a" + e.substr(l + 1, r - l - 1));
    e.replace(l, r - l + 1, v ? "1" : "0");
  }
  return foldPairs("a" + e);
}

}  // namespace literalfold
