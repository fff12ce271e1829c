// Small text helpers shared by the server and the clients: IDs and reply
// words are compared without regard to (ASCII) letter case.
#pragma once
#include <string>
#include <string_view>

namespace tav {

inline char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

inline bool equalsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  return true;
}

inline std::u16string lowerAscii(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = foldAscii(c);
  return r;
}

// Blanks (space, tab) cut from both ends.
inline std::u16string_view trimBlanks(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

// True when every surrogate stands in a proper pair.
inline bool isValidUtf16(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace tav
