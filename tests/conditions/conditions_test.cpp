// The condition language on its own: the bracket check, reading condition
// lists, which conditions suit which fields, the comparisons, and the verdict
// held against the literal text fold on generated lists.
#include <gtest/gtest.h>

#include <random>

#include "TAVserver/conditions.h"
#include "literal_fold.h"
#include "protocol/wire.h"

using namespace tav::server::conditions;
using tav::store::Value;

namespace {

std::u16string cond(std::u16string_view lb, std::u16string_view field, std::u16string_view op,
                    std::u16string_view value, std::u16string_view rb, char16_t connector = u'F') {
  std::u16string s;
  for (auto part : {lb, field, op, value, rb}) {
    s += part;
    s += tav::FieldSep;
  }
  s += connector;
  s += tav::RecordSep;
  return s;
}

const tav::schema::Table& listTable() { return *tav::schema::findTable(tav::schema::FileId::Records, "list"); }

std::string utf8(std::u16string_view s) { return tav::toUtf8(s); }

}  // namespace

TEST(Brackets, EveryCharacterOfTheRequestCounts) {
  struct Case {
    std::u16string text;
    bool pass;
  } cases[] = {
      {u"", true},
      {u"ADVAWO0", true},
      {u"()", true},
      {u"(a)(b)", true},
      {u"x(y)z", true},
      {u"((", false},
      {u"(()", false},
      {u"())", false},
      {u")", false},
      {u")(", false},
      {u"(", false},  // still open at the end
      {u"()(", false},
  };
  for (const auto& c : cases) EXPECT_EQ(bracketsPass(c.text), c.pass) << utf8(c.text);
}

TEST(Parse, ReadsEveryPartOfACondition) {
  const std::u16string req = u"ADVAWO1" + cond(u"(", u"Description", u"6", u"oil (pump)", u"", u'T') +
                             cond(u"", u"em_level", u"3", u"2", u")", u'F') + cond(u"", u"bill_id", u"9", u"", u"");
  auto list = parseConditions(req, 7);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 3u);
  const Condition& a = (*list)[0];
  EXPECT_TRUE(a.open);
  EXPECT_FALSE(a.close);
  EXPECT_EQ(a.field, u"Description");
  EXPECT_EQ(a.op, Op::Contains);
  EXPECT_EQ(a.value, u"oil (pump)");
  EXPECT_TRUE(a.andNext);
  EXPECT_TRUE((*list)[1].close);
  EXPECT_EQ((*list)[1].op, Op::AtLeast);
  EXPECT_FALSE((*list)[1].andNext);
  EXPECT_EQ((*list)[2].op, Op::Invalid);
  EXPECT_EQ((*list)[2].value, u"");
}

TEST(Parse, RefusesListsThatDoNotHoldTogether) {
  const std::u16string ok = cond(u"", u"equip_name", u"0", u"x", u"");
  const std::u16string fs(1, tav::FieldSep), rs(1, tav::RecordSep);
  struct Case {
    const char* what;
    std::u16string text;
  } cases[] = {
      {"no condition", u""},
      {"a field short", u"" + fs + u"equip_name" + fs + u"0" + fs + u"x" + fs + u"F" + rs},
      {"no connector", fs + u"equip_name" + fs + u"0" + fs + u"x" + fs + fs + rs},
      {"no record separator", fs + u"equip_name" + fs + u"0" + fs + u"x" + fs + fs + u"F"},
      {"two-character connector", fs + u"equip_name" + fs + u"0" + fs + u"x" + fs + fs + u"TF" + rs},
      {"text after the last condition", ok + u"x"},
      {"record separator inside a value", fs + u"equip_name" + fs + u"0" + fs + u"a" + rs + u"b" + fs + fs + u"F" + rs},
      {"left bracket field other than (", cond(u"[", u"equip_name", u"0", u"x", u"")},
      {"right bracket field other than )", cond(u"(", u"equip_name", u"0", u"x", u") ")},
      {"nested groups", cond(u"(", u"a", u"0", u"x", u"") + cond(u"(", u"b", u"0", u"x", u")")},
      {"close without open", ok + cond(u"", u"b", u"0", u"x", u")")},
      {"group never closed", cond(u"(", u"a", u"0", u"x", u"") + ok},
  };
  for (const auto& c : cases) EXPECT_FALSE(parseConditions(c.text, 0)) << c.what;
  EXPECT_TRUE(parseConditions(ok + ok, 0));
  EXPECT_TRUE(parseConditions(cond(u"(", u"a", u"0", u"x", u")"), 0)) << "a group of one";
}

TEST(Parse, OperatorCodes) {
  const std::pair<std::u16string, Op> cases[] = {
      {u"0", Op::Equal},    {u"1", Op::Greater},     {u"2", Op::Less},         {u"3", Op::AtLeast},
      {u"4", Op::AtMost},   {u"5", Op::NotEqual},    {u"6", Op::Contains},     {u"7", Op::NotContains},
      {u"8", Op::Invalid},  {u"", Op::Invalid},      {u"01", Op::Invalid},     {u" 1", Op::Invalid},
      {u"x", Op::Invalid},  {u"-1", Op::Invalid},
  };
  for (const auto& [code, op] : cases) EXPECT_EQ(opFromText(code), op) << utf8(code);
}

TEST(Values, NumberTextAndContainment) {
  const std::pair<std::u16string, bool> numbers[] = {
      {u"7", true},     {u" 7 ", true},  {u"-7", true},  {u"+7.5", true}, {u".5", true},   {u"5.", true},
      {u"1e3", true},   {u"1E-3", true}, {u"", false},   {u" ", false},   {u"abc", false}, {u"7x", false},
      {u"1e", false},   {u".", false},   {u"--1", false}, {u"1 2", false}, {u"0x10", false},
  };
  for (const auto& [text, isNumber] : numbers) EXPECT_EQ(isNumberText(text), isNumber) << utf8(text);

  struct Occurs {
    std::u16string hay, needle;
    bool found;
  } occurs[] = {
      {u"oil pump 3", u"PUMP", true}, {u"XABCY", u"abc", true}, {u"泵房A区", u"a区", true},
      {u"pump", u"pumps", false},     {u"x", u"", true},         {u"", u"", false},
      {u"", u"a", false},
  };
  for (const auto& c : occurs) EXPECT_EQ(occursNoCase(c.hay, c.needle), c.found) << utf8(c.hay) << " / " << utf8(c.needle);
}

TEST(Suitability, OperatorAgainstFieldType) {
  struct Case {
    std::u16string field, op, value;
    bool suits;
  } cases[] = {
      {u"Description", u"0", u"x", true},
      {u"DESCRIPTION", u"0", u"x", true},  // field names match ignoring case
      {u"Description", u"5", u"x", true},
      {u"em_level", u"0", u"x", true},
      {u"em_level", u"1", u"5", true},
      {u"em_level", u"2", u" -5.5 ", true},
      {u"em_level", u"3", u"1e2", true},
      {u"created_date", u"4", u"45000", true},  // day numbers order as whole numbers
      {u"em_level", u"1", u"abc", false},
      {u"em_level", u"1", u"5x", false},
      {u"em_level", u"1", u"", false},
      {u"Description", u"1", u"5", false},  // ordering on a text field
      {u"Description", u"6", u"", true},
      {u"Description", u"7", u"x", true},
      {u"em_level", u"6", u"5", false},  // containment on a number field
      {u"created_date", u"7", u"5", false},
      {u"em_level", u"8", u"1", false},
      {u"em_level", u"", u"1", false},
      {u"nosuch", u"0", u"x", false},
      {u"", u"0", u"", false},
      {u"Descriptio\u00f1", u"0", u"x", false},
  };
  for (const auto& c : cases) {
    const std::u16string req = cond(u"", c.field, c.op, c.value, u"");
    auto list = parseConditions(req, 0);
    ASSERT_TRUE(list);
    EXPECT_EQ(FieldTest(listTable(), list->front()).suits(), c.suits)
        << utf8(c.field) << " " << utf8(c.op) << " " << utf8(c.value);
  }
}

TEST(Comparison, OneFieldValueAgainstOneCondition) {
  struct Case {
    std::u16string field, op, value;
    Value stored;
    bool result;
  } cases[] = {
      // "=" compares the text form exactly.
      {u"em_level", u"0", u"7", Value(7), true},
      {u"em_level", u"0", u"07", Value(7), false},
      {u"em_level", u"0", u"+7", Value(7), false},
      {u"em_level", u"0", u"7.0", Value(7), false},
      {u"em_level", u"0", u"-3", Value(-3), true},
      {u"em_level", u"0", u"0", Value(0), true},
      {u"em_level", u"0", u"-0", Value(0), false},
      {u"created_date", u"0", u"45000", Value(45000), true},
      {u"Description", u"0", u"pump", Value(u"pump"), true},
      {u"Description", u"0", u"Pump", Value(u"pump"), false},
      {u"Description", u"0", u"", Value(u""), true},
      // Orderings against the value's number.
      {u"em_level", u"1", u"6.5", Value(7), true},
      {u"em_level", u"1", u"7", Value(7), false},
      {u"em_level", u"2", u"7", Value(7), false},
      {u"em_level", u"2", u"1e1", Value(7), true},
      {u"em_level", u"3", u"7", Value(7), true},
      {u"em_level", u"4", u"6", Value(7), false},
      {u"em_level", u"4", u" 7 ", Value(7), true},
      // "<>" compares numbers, on text too (the number a text begins with).
      {u"em_level", u"5", u"7", Value(7), false},
      {u"em_level", u"5", u"7.5", Value(7), true},
      {u"em_level", u"5", u"x", Value(7), true},
      {u"em_level", u"5", u"x", Value(0), false},
      {u"Description", u"5", u"12", Value(u"12abc"), false},
      {u"Description", u"5", u"0", Value(u"abc"), false},
      {u"Description", u"5", u"1", Value(u"abc"), true},
      // Containment ignoring case; the empty value only in a non-empty text.
      {u"Description", u"6", u"PUMP", Value(u"oil pump 3"), true},
      {u"Description", u"7", u"PUMP", Value(u"oil pump 3"), false},
      {u"Description", u"6", u"", Value(u"x"), true},
      {u"Description", u"6", u"", Value(u""), false},
      {u"Description", u"7", u"", Value(u""), true},
      {u"Description", u"7", u"", Value(u"x"), false},
      // Null is false whatever the operator.
      {u"Description", u"7", u"x", Value(), false},
      {u"Description", u"0", u"", Value(), false},
      {u"em_level", u"5", u"1", Value(), false},
      {u"em_level", u"2", u"1", Value(), false},
      // Conditions that do not suit their field never hold.
      {u"Description", u"1", u"1", Value(u"5"), false},
      {u"em_level", u"6", u"7", Value(7), false},
      {u"em_level", u"8", u"7", Value(7), false},
  };
  for (const auto& c : cases) {
    const std::u16string req = cond(u"", c.field, c.op, c.value, u"");
    auto list = parseConditions(req, 0);
    ASSERT_TRUE(list);
    EXPECT_EQ(FieldTest(listTable(), list->front())(c.stored), c.result)
        << utf8(c.field) << " " << utf8(c.op) << " " << utf8(c.value) << " on " << utf8(c.stored.asText());
  }
}

TEST(Verdict, ThePartsWorkedExamples) {
  // A or B and C is (A or B) and C; brackets around B and C change it.
  auto run = [](const std::u16string& req, std::vector<bool> r) {
    auto list = parseConditions(req, 0);
    EXPECT_TRUE(list);
    return combine(*list, [&](std::size_t i) { return r[i]; });
  };
  const std::u16string plain = cond(u"", u"a", u"0", u"", u"", u'F') + cond(u"", u"b", u"0", u"", u"", u'T') +
                               cond(u"", u"c", u"0", u"", u"");
  const std::u16string grouped = cond(u"", u"a", u"0", u"", u"", u'F') + cond(u"(", u"b", u"0", u"", u"", u'T') +
                                 cond(u"", u"c", u"0", u"", u")");
  EXPECT_FALSE(run(plain, {true, false, false}));
  EXPECT_TRUE(run(grouped, {true, false, false}));
  // The last connector is read and not used.
  for (char16_t last : {u'T', u'F'}) {
    EXPECT_TRUE(run(cond(u"", u"a", u"0", u"", u"", last), {true}));
    EXPECT_FALSE(run(cond(u"", u"a", u"0", u"", u"", last), {false}));
  }
}

namespace {

// Every way of placing one-level brackets over n conditions.
void bracketLayouts(std::size_t n, std::vector<std::pair<bool, bool>>& cur,
                    std::vector<std::vector<std::pair<bool, bool>>>& out, bool open = false) {
  if (cur.size() == n) {
    if (!open) out.push_back(cur);
    return;
  }
  for (bool o : {false, true})
    for (bool c : {false, true}) {
      if (o && open) continue;
      const bool inside = open || o;
      if (c && !inside) continue;
      cur.emplace_back(o, c);
      bracketLayouts(n, cur, out, inside && !c);
      cur.pop_back();
    }
}

std::u16string requestFor(const std::vector<std::pair<bool, bool>>& layout, unsigned connectors) {
  std::u16string req = u"ADVASS";
  for (std::size_t i = 0; i < layout.size(); ++i)
    req += cond(layout[i].first ? u"(" : u"", u"equip_name", u"6", u"x", layout[i].second ? u")" : u"",
                (connectors >> i & 1) ? u'T' : u'F');
  return req;
}

void expectAgreement(const std::vector<Condition>& list, const std::vector<bool>& results) {
  std::vector<int> asked(list.size(), 0);
  const bool got = combine(list, [&](std::size_t i) {
    ++asked[i];
    return static_cast<bool>(results[i]);
  });
  const std::string expr = literalfold::expression(list, results);
  ASSERT_EQ(got, literalfold::fold(expr)) << expr;
  for (int a : asked) ASSERT_LE(a, 1) << expr;
}

}  // namespace

TEST(Verdict, AgreesWithTheLiteralFoldOnEverySmallList) {
  std::size_t checked = 0;
  for (std::size_t n = 1; n <= 6; ++n) {
    std::vector<std::vector<std::pair<bool, bool>>> layouts;
    std::vector<std::pair<bool, bool>> cur;
    bracketLayouts(n, cur, layouts);
    for (const auto& layout : layouts)
      for (unsigned conn = 0; conn < (1u << n); ++conn) {
        const std::u16string req = requestFor(layout, conn);
        ASSERT_TRUE(bracketsPass(req));
        auto list = parseConditions(req, 6);
        ASSERT_TRUE(list);
        ASSERT_EQ(list->size(), n);
        for (unsigned bits = 0; bits < (1u << n); ++bits) {
          std::vector<bool> results(n);
          for (std::size_t i = 0; i < n; ++i) results[i] = bits >> i & 1;
          expectAgreement(*list, results);
          ++checked;
        }
      }
  }
  EXPECT_GT(checked, 100000u);
}

TEST(Verdict, AgreesWithTheLiteralFoldOnLongRandomLists) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t n = 1 + rng() % 40;
    std::vector<Condition> list(n);
    bool open = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (!open && rng() % 3 == 0) list[i].open = open = true;
      if (open && (rng() % 3 == 0 || i + 1 == n)) {
        list[i].close = true;
        open = false;
      }
      list[i].andNext = rng() % 2;
    }
    std::vector<bool> results(n);
    for (std::size_t i = 0; i < n; ++i) results[i] = rng() % 2;
    expectAgreement(list, results);
  }
}
