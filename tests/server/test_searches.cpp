// The advanced and quick searches over the wire, on the same four rows kept
// both as equipment and as work orders, plus one archived order.
#include <gtest/gtest.h>

#include <set>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {



// Four rows, the same in both tables; a field is named by its role and each
// table has its own name for it.
//   row  NAME          LEVEL  NOTE     DATE
//   1    oil pump 3    7      ACME     45000
//   2    Fan           112    (Null)   45100
//   3    PUMP HOUSE    12     ""       (Null)
//   4    valve 12      0      XABCY    45050
void fillTables(ServerDir& dir) {
  dir.sql("TAVequipment.mdb",
          "INSERT INTO equipment(equip_id, equip_name, equip_locate, buied_date, equip_imp, madeby, Parameter, "
          "equip_use, uselessday, Memo) VALUES"
          "(10001, 'oil pump 3', 'L-1', 45000, 7, 'ACME', 'p', 1, NULL, NULL),"
          "(10002, 'Fan', 'L-2', 45100, 112, NULL, 'p', 1, NULL, NULL),"
          "(10003, 'PUMP HOUSE', 'L-3', NULL, 12, '', 'p', 1, NULL, NULL),"
          "(10004, 'valve 12', 'L-4', 45050, 0, 'XABCY', 'p', 1, NULL, NULL)");
  const std::string cols =
      "(bill_id, equip_id, comofequip, Description, Status, bill_type, em_level, createid, createname, created_date, "
      "pointto)";
  dir.sql("TAVrecords.mdb", "INSERT INTO list" + cols +
                                " VALUES"
                                "(1, 10001, 'oil pump 3', 'd', 2, 'CM', 7, 'u1', 'n', 45000, 'ACME'),"
                                "(2, 10002, 'Fan', 'd', 2, 'CM', 112, 'u1', 'n', 45100, NULL),"
                                "(3, 10003, 'PUMP HOUSE', 'd', 2, 'CM', 12, 'u1', 'n', NULL, ''),"
                                "(4, 10004, 'valve 12', 'd', 2, 'CM', 0, 'u1', 'n', 45050, 'XABCY')");
  dir.sql("TAVrecords.mdb", "INSERT INTO list_o" + cols +
                                " VALUES(9, 10001, 'old pump', 'd', 16, 'CM', 7, 'u1', 'n', 44000, 'ACME')");
}

struct Names {
  std::u16string word, name, level, note, date;
  int keyBase;  // a row's key is keyBase + row
};
const Names Equ{u"ADVASS", u"equip_name", u"equip_imp", u"madeby", u"buied_date", 10000};
const Names WO{u"ADVAWO0", u"comofequip", u"em_level", u"pointto", u"created_date", 0};

std::u16string fieldFor(const Names& t, std::u16string_view role) {
  if (role == u"NAME") return t.name;
  if (role == u"LEVEL") return t.level;
  if (role == u"NOTE") return t.note;
  if (role == u"DATE") return t.date;
  return std::u16string(role);
}

struct C {
  std::u16string lb, field, op, value, rb;
  char16_t connector = u'F';
};

std::u16string conditions(const Names& t, const std::vector<C>& list) {
  std::u16string s;
  for (const C& c : list) {
    for (const std::u16string& part : {c.lb, fieldFor(t, c.field), c.op, c.value, c.rb}) {
      s += part;
      s += tav::FieldSep;
    }
    s += c.connector;
    s += tav::RecordSep;
  }
  return s;
}

// The rows of a list reply by their number, or {-1} for a refusal.
std::set<int> rowsOf(const std::u16string& reply, int keyBase) {
  if (reply == u"NLEGAL") return {-1};
  std::set<int> rows;
  for (const auto& r : records(reply)) rows.insert(std::stoi(utf8(r.at(0))) - keyBase);
  return rows;
}

const std::set<int> Refused{-1};

class Searches : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "plain", 1);
    addUser(dir, "archivist", 32);
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Searches, AdvancedConditionsOnBothTables) {
  fillTables(dir);
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"plain");
  const C fan{u"", u"NAME", u"6", u"fan", u""};
  struct Case {
    const char* what;
    std::vector<C> conds;
    std::set<int> rows;
  } cases[] = {
      {"two ( in a row", {{u"(", u"NAME", u"6", u"pump", u""}, {u"(", u"LEVEL", u"0", u"7", u")"}}, Refused},
      {"lone ) in a value", {{u"", u"NAME", u"0", u"a)", u""}}, Refused},
      {") before any (", {{u"", u"NAME", u"6", u"pump", u")"}}, Refused},
      {"( never closed", {{u"(", u"NAME", u"6", u"pump", u""}}, Refused},
      {"A or B and C is (A or B) and C",
       {{u"", u"LEVEL", u"0", u"112", u""}, {u"", u"NAME", u"6", u"pump", u"", u'T'}, {u"", u"LEVEL", u"2", u"100", u""}},
       {1, 3}},
      {"A or (B and C)",
       {{u"", u"LEVEL", u"0", u"112", u""}, {u"(", u"NAME", u"6", u"pump", u"", u'T'}, {u"", u"LEVEL", u"2", u"100", u")"}},
       {1, 2, 3}},
      {"(A and B) or C",
       {{u"(", u"NAME", u"6", u"pump", u"", u'T'}, {u"", u"LEVEL", u"3", u"10", u")"}, {u"", u"LEVEL", u"0", u"0", u""}},
       {3, 4}},
      {"1 on a text field", {{u"", u"NAME", u"1", u"5", u""}, fan}, {2}},
      {"6 on a number field", {{u"", u"LEVEL", u"6", u"7", u""}, fan}, {2}},
      {"1 against a value that is no number", {{u"", u"LEVEL", u"1", u"abc", u""}, fan}, {2}},
      {"0 with 07 against 7", {{u"", u"LEVEL", u"0", u"07", u""}}, {}},
      {"0 with 7 against 7", {{u"", u"LEVEL", u"0", u"7", u""}}, {1}},
      {"contains PUMP", {{u"", u"NAME", u"6", u"PUMP", u""}}, {1, 3}},
      {"does not contain PUMP", {{u"", u"NAME", u"7", u"PUMP", u""}}, {2, 4}},
      {"contains the empty text", {{u"", u"NOTE", u"6", u"", u""}}, {1, 4}},
      {"does not contain the empty text", {{u"", u"NOTE", u"7", u"", u""}}, {3}},
      {"operator 8", {{u"", u"LEVEL", u"8", u"7", u""}, fan}, {2}},
      {"last connector T", {{u"", u"NAME", u"6", u"fan", u"", u'T'}}, {2}},
      {"last connector F", {{u"", u"NAME", u"6", u"fan", u"", u'F'}}, {2}},
      {"Null under does not contain", {{u"", u"NOTE", u"7", u"zzz", u""}}, {1, 3, 4}},
      {"Null under not equal", {{u"", u"NOTE", u"5", u"1", u""}}, {1, 3, 4}},
      {"Null under at least", {{u"", u"DATE", u"3", u"0", u""}}, {1, 2, 4}},
      {"day numbers order", {{u"", u"DATE", u"1", u"45040", u""}}, {2, 4}},
      {"not equal on a text field", {{u"", u"NAME", u"5", u"0", u""}}, {}},
      {"a field the table lacks", {{u"", u"nosuch", u"0", u"x", u""}, fan}, {2}},
  };
  for (const Names* t : {&Equ, &WO})
    for (const auto& k : cases)
      EXPECT_EQ(rowsOf(c.callList(t->word + conditions(*t, k.conds)), t->keyBase), k.rows)
          << utf8(t->word) << ": " << k.what;

  // Malformed lists are refused like bracket faults: none at all, a
  // missing record separator.
  EXPECT_EQ(c.callList(u"ADVASS"), u"NLEGAL");
  EXPECT_EQ(c.callList(u"ADVAWO0"), u"NLEGAL");
  std::u16string cut = conditions(Equ, {fan});
  cut.pop_back();
  EXPECT_EQ(c.callList(u"ADVASS" + cut), u"NLEGAL");
}

TEST_F(Searches, AdvancedRecordsCarryEveryField) {
  fillTables(dir);
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"plain");
  // A refusal is the word and the terminator, nothing else.
  ASSERT_TRUE(c.request(u"ADVASS" + conditions(Equ, {{u"(", u"NAME", u"6", u"a", u""}})));
  EXPECT_EQ(c.readList(), tav::toUtf16le(u"NLEGAL") + std::string(tav::MsgEnd));

  const std::u16string fan = conditions(Equ, {{u"", u"NAME", u"0", u"Fan", u""}});
  EXPECT_EQ(records(c.callList(u"ADVASS" + fan)),
            (std::vector<std::vector<std::u16string>>{
                {u"10002", u"Fan", u"L-2", u"45100", u"112", u"", u"p", u"1", u"", u""}}));
  const std::u16string all = conditions(WO, {{u"", u"NAME", u"6", u"", u""}});
  auto wo = records(c.callList(u"ADVAWO0" + all));
  ASSERT_EQ(wo.size(), 4u);
  for (const auto& r : wo) EXPECT_EQ(r.size(), 20u);
  EXPECT_EQ(wo[1], (std::vector<std::u16string>{u"2", u"10002", u"Fan", u"d", u"2", u"CM", u"112", u"0", u"u1", u"n",
                                                u"45100", u"", u"", u"", u"", u"", u"", u"", u"0", u"1"}));
}

TEST_F(Searches, ArchivedOrdersFollowTheCurrentOnesForHoldersOfTheRight) {
  fillTables(dir);
  ServerProcess server(dir);
  Client archivist(dir.port());
  startSession(archivist, u"archivist");
  const std::u16string pump = conditions(WO, {{u"", u"NAME", u"6", u"pump", u""}});

  auto both = records(archivist.callList(u"ADVAWO1" + pump));
  ASSERT_EQ(both.size(), 3u);
  EXPECT_EQ(both[0][0], u"1");
  EXPECT_EQ(both[1][0], u"3");
  EXPECT_EQ(both[2][0], u"9");
  EXPECT_EQ(both[0].back(), u"1");
  EXPECT_EQ(both[1].back(), u"1");
  EXPECT_EQ(both[2].back(), u"0");
  EXPECT_EQ(both[2].size(), 20u);
  for (const char16_t* flag : {u"ADVAWO0", u"ADVAWOx"})
    EXPECT_EQ(rowsOf(archivist.callList(flag + pump), 0), (std::set<int>{1, 3})) << utf8(flag);

  Client plain(dir.port());
  startSession(plain, u"plain");
  ASSERT_TRUE(plain.request(u"ADVAWO1" + pump));
  EXPECT_EQ(plain.readList(), tav::toUtf16le(u"WROPOW") + std::string(tav::MsgEnd));
  EXPECT_EQ(rowsOf(plain.callList(u"ADVAWO0" + pump), 0), (std::set<int>{1, 3}));
}

TEST_F(Searches, EmptyTables) {
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"plain");
  const std::u16string open = conditions(Equ, {{u"(", u"NAME", u"6", u"a", u""}, {u"(", u"NAME", u"6", u"b", u")"}});
  // An empty register is not even looked at; the work orders are checked first.
  ASSERT_TRUE(c.request(u"ADVASS" + open));
  EXPECT_EQ(c.readList(), std::string(tav::MsgEnd));
  EXPECT_EQ(c.callList(u"ADVAWO0" + open), u"NLEGAL");
  for (const char16_t* word : {u"QUICKYASSET", u"QUICKYWORKO"}) {
    ASSERT_TRUE(c.request(word));
    EXPECT_EQ(c.readList(), std::string(tav::MsgEnd)) << utf8(word);
  }
  ASSERT_TRUE(c.request(u"ADVAWO0" + conditions(WO, {{u"", u"NAME", u"6", u"", u""}})));
  EXPECT_EQ(c.readList(), std::string(tav::MsgEnd));
}

TEST_F(Searches, QuickSearchOnBothTables) {
  fillTables(dir);
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"plain");
  struct Case {
    const char* what;
    std::vector<std::u16string> pairs;  // roles and values
    std::set<int> rows;
  } cases[] = {
      {"no pair", {}, {1, 2, 3, 4}},
      {"32-bit field by number", {u"LEVEL", u"12"}, {3}},
      {"by the number the value begins with", {u"LEVEL", u"12abc"}, {3}},
      {"no number reads as 0", {u"LEVEL", u"x"}, {4}},
      {"beyond 32 bits is never wrapped", {u"LEVEL", u"4294967308"}, {}},
      {"day numbers by number", {u"DATE", u"45000"}, {1}},
      {"Null is not 0", {u"DATE", u"0"}, {}},
      {"text by containment", {u"NAME", u"12"}, {4}},
      {"ignoring case", {u"NAME", u"PUMP"}, {1, 3}},
      {"abc in XABCY", {u"NOTE", u"abc"}, {4}},
      {"empty value: not Null, not empty", {u"NOTE", u""}, {1, 4}},
      {"two pairs on one field", {u"NAME", u"pump", u"NAME", u"oil"}, {1}},
      {"pairs on two fields", {u"NAME", u"pump", u"LEVEL", u"12"}, {3}},
      {"a field the table lacks", {u"nosuch", u"x"}, {}},
  };
  const std::pair<const Names*, std::u16string> tables[] = {{&Equ, u"QUICKYASSET"}, {&WO, u"QUICKYWORKO"}};
  for (const auto& [t, word] : tables)
    for (const auto& k : cases) {
      std::vector<std::u16string> fields = k.pairs;
      for (std::size_t i = 0; i < fields.size(); i += 2) fields[i] = fieldFor(*t, fields[i]);
      EXPECT_EQ(rowsOf(c.callList(word, fields), t->keyBase), k.rows) << utf8(word) << ": " << k.what;
    }

  // The archive is never read, even for a value only an archived order holds.
  EXPECT_EQ(rowsOf(c.callList(u"QUICKYWORKO", {u"comofequip", u"old"}), 0), std::set<int>{});
  auto rec = records(c.callList(u"QUICKYWORKO", {u"bill_id", u"2"}));
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].size(), 19u) << "no archive flag on quick results";

  // Half a pair is refused; an unknown sub-word gets no reply at all: the
  // next bytes on the session answer the next knock.
  EXPECT_EQ(c.call(u"QUICKYASSET", {u"equip_name"}), u"UNKNOWNS");
  ASSERT_TRUE(c.request(u"QUICKYOTHER", {u"equip_name", u"x"}));
  EXPECT_EQ(c.knock(), u"APPROV");
  c.sendBody(u"QUICKYASSET", {u"equip_name", u"fan"});
  std::u16string fan = tav::fromUtf16le(c.readList());
  ASSERT_FALSE(fan.empty());
  fan.pop_back();
  EXPECT_EQ(rowsOf(fan, 10000), std::set<int>{2});
}
