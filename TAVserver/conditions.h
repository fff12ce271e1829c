// The condition language of the advanced searches: reading a condition list
// out of a request, its bracket rules, which conditions suit which fields, and
// the strictly left-to-right verdict on one record. Nothing here does I/O.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TAVserver/store/schema.h"
#include "TAVserver/store/store.h"

namespace tav::server::conditions {

// The operator codes "0" to "7" in wire order; anything else is Invalid.
enum class Op : std::uint8_t { Equal, Greater, Less, AtLeast, AtMost, NotEqual, Contains, NotContains, Invalid };

Op opFromText(std::u16string_view code);

// One condition as the client sent it. The views point into the request.
struct Condition {
  bool open = false;   // left bracket "("
  bool close = false;  // right bracket ")"
  std::u16string_view field;
  Op op = Op::Invalid;
  std::u16string_view value;
  bool andNext = false;  // connector "T"; any other character is "or"
};

// Every "(" and ")" of the whole request, values and names included, must
// alternate starting with "(", and none may be left open at the end.
bool bracketsPass(std::u16string_view request);

// Reads the conditions from `start` to the end of the request. Each is five
// fields, a one-character connector and the record separator. Nothing else
// may stand between or after them, the bracket fields hold only "(" or ")"
// or nothing, and the conditions' own brackets must pair without nesting.
// nullopt for anything else, an empty list included.
std::optional<std::vector<Condition>> parseConditions(std::u16string_view request, std::size_t start);

// The whole text reads as one decimal number: blanks around it, a sign, a
// fraction and an exponent allowed; the empty text is not a number.
bool isNumberText(std::u16string_view text);

// A stored value as a number; a text gives the number it begins with, read
// the same way as a value from a request (0 when it begins with none).
double numberOf(const store::Value& v);

// Whole-number fields in this system are all 32-bit; day numbers are stored
// and compared as whole numbers too.
bool isWholeNumberField(schema::FieldType type);

// Containment ignoring (ASCII) letter case, the needle folded once for a
// whole walk. A needle occurs only in a text that holds at least one
// character, so the empty needle matches every non-empty text and no empty one.
class NoCaseNeedle {
 public:
  explicit NoCaseNeedle(std::u16string_view needle);
  bool occursIn(std::u16string_view haystack) const;

 private:
  std::u16string folded_;
};

inline bool occursNoCase(std::u16string_view haystack, std::u16string_view needle) {
  return NoCaseNeedle(needle).occursIn(haystack);
}

// The field a name from a client stands for, looked up in the catalogue;
// nullptr for a name the table does not have.
const schema::Field* catalogueField(const schema::Table& table, std::u16string_view name);

// One condition made ready for a walk: which field it reads and how it
// compares. A condition that does not suit its field (unknown field, wrong
// type, an ordering against a value that is not a number, a bad operator) is
// false for every record and reads nothing.
class FieldTest {
 public:
  FieldTest(const schema::Table& table, const Condition& c);

  bool suits() const { return field_ != nullptr; }
  const schema::Field* field() const { return field_; }
  // False on a Null value whatever the operator.
  bool operator()(const store::Value& v) const;

 private:
  const schema::Field* field_ = nullptr;
  Op op_ = Op::Invalid;
  std::u16string value_;
  NoCaseNeedle needle_;
  double number_ = 0;                   // the number the value begins with
  std::optional<std::int64_t> whole_;   // the value when it is a whole number written plainly
};

// The verdict on one record. `result(i)` gives condition i's yes or no; it is
// asked only when the answer can still change the verdict. Brackets are one
// level deep and and/or apply from left to right without precedence; the
// last connector is not used.
template <class Result>
bool combine(std::span<const Condition> conds, Result&& result) {
  // Once "and" meets no, or "or" meets yes, the next operand cannot change it.
  auto settled = [](bool acc, bool andOp) { return andOp ? !acc : acc; };
  auto apply = [](bool acc, bool andOp, bool d) { return andOp ? (acc && d) : (acc || d); };
  bool outer = true;
  bool group = false;
  bool inGroup = false;
  bool groupAnd = true;     // the connector that joins the group to what came before
  bool groupNeeded = true;  // whether the group can still change the verdict
  bool andBefore = true;    // the first condition is taken as it is
  for (std::size_t i = 0; i < conds.size(); ++i) {
    const Condition& c = conds[i];
    if (c.open) {
      inGroup = true;
      groupAnd = andBefore;
      groupNeeded = !settled(outer, groupAnd);
      group = groupNeeded && result(i);
    } else if (inGroup) {
      if (groupNeeded && !settled(group, andBefore)) group = apply(group, andBefore, result(i));
    } else if (!settled(outer, andBefore)) {
      outer = apply(outer, andBefore, result(i));
    }
    if (c.close && inGroup) {
      if (groupNeeded) outer = apply(outer, groupAnd, group);
      inGroup = false;
    }
    andBefore = c.andNext;
  }
  return outer;
}

}  // namespace tav::server::conditions
