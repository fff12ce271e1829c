// GradeReply cutting.
#include "client/user/gradereply.h"

#include "client/common/session.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::user {

using tav::client::qs;

namespace {

std::vector<std::u16string_view> cut(std::u16string_view s, char16_t sep) {
  std::vector<std::u16string_view> out;
  std::size_t from = 0;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] == sep) {
      out.push_back(s.substr(from, i - from));
      from = i + 1;
    }
  return out;  // text after the last separator is not a field
}

std::vector<CodeName> codeNames(std::u16string_view section) {
  auto f = cut(section, FieldSep);
  std::vector<CodeName> r;
  for (std::size_t i = 0; i + 1 < f.size(); i += 2) r.push_back({numberOf(f[i]), qs(f[i + 1])});
  return r;
}

bool truth(std::u16string_view t) {
  if (equalsNoCase(t, u"true")) return true;
  if (equalsNoCase(t, u"false") || t.empty()) return false;
  return leadingNumber(t) != 0;
}

}  // namespace

int32_t numberOf(std::u16string_view text) { return wholeNumber32(text).value_or(0); }

WOPreset parsePreset(std::u16string_view conds, std::u16string_view sorts, std::u16string_view name) {
  WOPreset p;
  auto f = cut(conds, FieldSep);
  std::size_t n = f.size() / 6;
  if (n == 0) return p;
  p.set = true;
  for (std::size_t i = 0; i < n; ++i) {
    const auto* c = &f[i * 6];
    p.conds.push_back({!c[0].empty(), numberOf(c[1]), numberOf(c[2]), qs(c[3]), !c[4].empty(), c[5] == u"T"});
  }
  auto s = cut(sorts, FieldSep);
  for (std::size_t k = 0; k < 3 && 2 * k + 1 < s.size(); ++k)
    p.sort[k] = {numberOf(s[2 * k]), truth(s[2 * k + 1])};
  p.name = qs(name);
  return p;
}

std::optional<UserTables> parseGradeReply(std::u16string_view reply) {
  auto sec = cut(reply, RecordSep);
  if (sec.size() < 19) return std::nullopt;
  auto head = cut(sec[0], FieldSep);
  if (head.size() < 4) return std::nullopt;
  auto nums = cut(sec[6], FieldSep);
  if (nums.size() < 10) return std::nullopt;

  UserTables t;
  t.myName = qs(head[0]);
  t.myRight = numberOf(head[1]);
  t.myImpRight = numberOf(head[2]);
  t.myType = numberOf(head[3]);
  t.rightList = codeNames(sec[1]);
  t.statusList = codeNames(sec[2]);
  t.typeList = codeNames(sec[3]);
  auto rules = cut(sec[4], FieldSep);
  for (std::size_t i = 0; i + 3 < rules.size(); i += 4)
    t.fieldRights.push_back({qs(rules[i]), numberOf(rules[i + 1]), numberOf(rules[i + 2]), numberOf(rules[i + 3])});
  auto types = cut(sec[5], FieldSep);
  for (std::size_t i = 0; i + 1 < types.size(); i += 2) t.billTypeList.push_back({qs(types[i]), qs(types[i + 1])});
  for (std::size_t i = 0; i < 10; ++i) t.gradNo[i] = numberOf(nums[i]);
  for (std::size_t k = 0; k < 4; ++k)
    t.woPreset[k] = parsePreset(sec[7 + 3 * k], sec[8 + 3 * k], sec[9 + 3 * k]);
  for (const auto& r : t.rightList)
    if (t.myRight & r.code) t.impBits.push_back(r);
  return t;
}

}  // namespace tav::user
