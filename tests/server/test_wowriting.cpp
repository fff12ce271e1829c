// Writing work orders: new requests, the engineer's change under the field
// rules and the requester's own change, on the wire and in the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const char* const Now = "2030-05-06 07:08:09";
const int32_t Today = tav::dayFromCivil(2030, 5, 6);


// Logs in and takes the start-of-session reply, which gives the rights.

// A new request's nine pairs as the user client sends them.
std::vector<std::u16string> newOrderPairs(const std::u16string& description = u"泵漏水",
                                          const std::u16string& status = u"1") {
  return {u"equip_id",   u"10001", u"comofequip", u"冷却泵", u"description", description,
          u"bill_type",  u"CM",    u"em_level",   u"2",      u"begin_date",  u"47000",
          u"compl_date", u"47003", u"status",     status,   u"pointto",     u""};
}

// Every field of one order row, NULLs visible, for before/after comparisons.
std::string orderRow(ServerDir& dir, const std::string& table, int64_t billId) {
  return dir.query("TAVrecords.mdb",
                   "SELECT quote(equip_id)||'|'||quote(comofequip)||'|'||quote(Description)||'|'||"
                   "quote(Status)||'|'||quote(bill_type)||'|'||quote(em_level)||'|'||quote(usetime)||'|'||"
                   "quote(createid)||'|'||quote(createname)||'|'||quote(created_date)||'|'||"
                   "quote(begin_date)||'|'||quote(compl_date)||'|'||quote(done_date)||'|'||"
                   "quote(pointto)||'|'||quote(reason)||'|'||quote(solute)||'|'||quote(scribebyeng)||'|'||"
                   "quote(equs) FROM " + table + " WHERE bill_id=" + std::to_string(billId));
}

std::string field(ServerDir& dir, const std::string& table, const std::string& name, int64_t billId) {
  return dir.query("TAVrecords.mdb",
                   "SELECT " + name + " FROM " + table + " WHERE bill_id=" + std::to_string(billId));
}

std::string count(ServerDir& dir, const std::string& from) {
  return dir.query("TAVrecords.mdb", "SELECT count(*) FROM " + from);
}

std::vector<std::u16string> shorter(std::vector<std::u16string> v, std::size_t by) {
  v.resize(v.size() - by);
  return v;
}

void insertOrder(ServerDir& dir, const std::string& table, int billId, int status, const std::string& creator) {
  dir.sql("TAVrecords.mdb", "INSERT INTO " + table +
                                "(bill_id, equip_id, comofequip, Description, Status, bill_type, em_level, "
                                "createid, createname, created_date) VALUES(" +
                                std::to_string(billId) + ", 10002, '空压机', '异响', " + std::to_string(status) +
                                ", 'CM', 1, '" + creator + "', '某人', 46990)");
}

class WoWriting : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "req", 1, 1, u"pw", "张三");
    addUser(dir, "other", 1, 1, u"pw", "李四");
    addUser(dir, "disp", 1 | 2, 1, u"pw", "王五");
    addUser(dir, "eng", 4, 1, u"pw", "赵六");
    addUser(dir, "none", 0, 1, u"pw", "无权");
  }
  ServerDir dir;
};

}  // namespace

TEST_F(WoWriting, NewOrderIsNumberedAndStampedWithItsWriter) {
  {
    ServerProcess server(dir, {{"TAV_NOW", Now}});
    Client none(dir.port());
    startSession(none, u"none", u"pw");
    EXPECT_EQ(none.call(u"WRITE:ANEWWO", newOrderPairs()), u"WROPOW");

    Client req(dir.port());
    startSession(req, u"req", u"pw");
    std::u16string first = req.call(u"WRITE:ANEWWO", newOrderPairs(u"a\x17" u"b\x19" u"c"));
    ASSERT_EQ(first.substr(0, 6), u"IGOTIT");
    // The names decide where a value goes, not the pair's place.
    std::vector<std::u16string> shuffled = newOrderPairs(u"第二单");
    std::swap(shuffled[0], shuffled[16]);
    std::swap(shuffled[1], shuffled[17]);
    std::u16string second = req.call(u"WRITE:ANEWWO", shuffled);
    ASSERT_EQ(second.substr(0, 6), u"IGOTIT");
    const int64_t a = std::stoll(utf8(first.substr(6))), b = std::stoll(utf8(second.substr(6)));
    EXPECT_EQ(a, 1);
    EXPECT_GT(b, a);
  }
  EXPECT_EQ(count(dir, "list"), "2");
  EXPECT_EQ(orderRow(dir, "list", 1), "10001|'冷却泵'|'abc'|1|'CM'|2|0|'req'|'张三'|" + std::to_string(Today) +
                                          "|47000|47003|NULL|''|NULL|NULL|NULL|0");
  EXPECT_EQ(field(dir, "list", "equip_id", 2), "10001");
  EXPECT_EQ(field(dir, "list", "pointto", 2), "");
  EXPECT_EQ(field(dir, "list", "Description", 2), "第二单");
  // A new order starts without history.
  EXPECT_EQ(count(dir, "status"), "0");
}

TEST_F(WoWriting, NewOrderRefusalsWriteNothing) {
  {
    ServerProcess server(dir, {{"TAV_NOW", Now}});
    Client req(dir.port());
    startSession(req, u"req", u"pw");
    struct Case {
      const char* what;
      std::vector<std::u16string> pairs;
    };
    auto with = [](std::size_t at, const std::u16string& text) {
      auto p = newOrderPairs();
      p[at] = text;
      return p;
    };
    std::vector<Case> cases = {
        {"unknown name", with(0, u"colour")},
        {"a name given twice", with(2, u"equip_id")},
        {"a list field that is not one of the nine", with(0, u"usetime")},
        {"eight pairs", shorter(newOrderPairs(), 2)},
        {"status that is no status code", with(15, u"3")},
        {"status that is no number", with(15, u"abc")},
        {"equipment number beyond 32 bits", with(1, u"4294967297")},
    };
    for (const Case& c : cases) EXPECT_EQ(req.call(u"WRITE:ANEWWO", c.pairs), u"UWRONG") << c.what;
    EXPECT_EQ(req.call(u"WRITE:ANEWWO", newOrderPairs()), u"IGOTIT1");
  }
  EXPECT_EQ(count(dir, "list"), "1");
}

TEST_F(WoWriting, ChangeFollowsTheFirstPassingRuleAgainstTheOldStatus) {
  dir.sql("TAVconst.mdb",
          "DELETE FROM rightscribe;"
          "INSERT INTO rightscribe VALUES('pointto', 2, 4, 0);"
          "INSERT INTO rightscribe VALUES('pointto', 12, 4, 0);"
          "INSERT INTO rightscribe VALUES('status', 12, 4, 24);"
          "INSERT INTO rightscribe VALUES('Status', 4, 4, 2);"
          "INSERT INTO rightscribe VALUES('reason', 8, 4, 0);"
          "INSERT INTO rightscribe VALUES('solute', 12, 2, 0);"
          "INSERT INTO rightscribe VALUES('em_level', 12, 4, 0);");
  insertOrder(dir, "list", 7, 4, "req");
  insertOrder(dir, "list", 8, 4, "req");
  insertOrder(dir, "list", 9, 4, "req");
  insertOrder(dir, "list", 10, 8, "req");
  insertOrder(dir, "list_o", 500, 4, "req");
  const std::string before9 = orderRow(dir, "list", 9);
  std::u16string history7;
  {
    ServerProcess server(dir, {{"TAV_NOW", Now}});
    Client eng(dir.port());
    startSession(eng, u"eng", u"pw");
    const std::u16string ok = u"WRITE,OK";

    // To "waiting for parts": pointto by the second rule, the reason not yet
    // (its rule needs the status the order had before), solute not for
    // this right, em_level as a number.
    EXPECT_EQ(eng.call(u"WRITE:1OLDWO", {u"bill_id", u"7", u"pointto", u"李工", u"status", u"8", u"reason",
                                         u"轴承磨损", u"solute", u"换轴承", u"em_level", u"3级"}),
              ok);
    // Then finished.
    EXPECT_EQ(eng.call(u"WRITE:1OLDWO", {u"bill_id", u"7", u"status", u"16"}), ok);
    // An order that already waits for parts takes the reason.
    EXPECT_EQ(eng.call(u"WRITE:1OLDWO", {u"bill_id", u"10", u"reason", u"轴承磨损"}), ok);

    // A status outside every passing rule's targets is left alone while
    // the other pairs are written; "status" does not use the "Status" rule.
    EXPECT_EQ(eng.call(u"WRITE:1OLDWO", {u"bill_id", u"8", u"status", u"2", u"pointto", u"钱工"}), ok);
    // ... but the pair named exactly "Status" does.
    EXPECT_EQ(eng.call(u"WRITE:1OLDWO", {u"bill_id", u"8", u"Status", u"2"}), ok);

    // Refused before anything is written.
    struct Case {
      const char* what;
      std::u16string word;
      std::vector<std::u16string> pairs;
      std::u16string reply;
    };
    const std::vector<Case> refusals = {
        {"status not a code", u"WRITE:1OLDWO", {u"bill_id", u"9", u"pointto", u"孙工", u"status", u"3"}, u"UWRONG"},
        {"unknown field", u"WRITE:1OLDWO", {u"bill_id", u"9", u"pointto", u"孙工", u"colour", u"red"}, u"UWRONG"},
        {"first pair not the number", u"WRITE:1OLDWO", {u"pointto", u"孙工", u"bill_id", u"9"}, u"UWRONG"},
        {"no pairs", u"WRITE:1OLDWO", {}, u"UWRONG"},
        {"no such order", u"WRITE:1OLDWO", {u"bill_id", u"999", u"pointto", u"孙工"}, u"NOTHIS"},
        {"number beyond 32 bits (2^32 + 9)", u"WRITE:1OLDWO", {u"bill_id", u"4294967305", u"pointto", u"孙工"},
         u"NOTHIS"},
        {"archived order asked in the current table", u"WRITE:1OLDWO", {u"bill_id", u"500", u"pointto", u"孙工"},
         u"NOTHIS"},
        {"unknown sub-word", u"WRITE:1OLDXX", {u"bill_id", u"9", u"pointto", u"孙工"}, u"UNKNOWNS"},
    };
    for (const Case& c : refusals) EXPECT_EQ(eng.call(c.word, c.pairs), c.reply) << c.what;

    // Without rights every pair is left out, yet the request is answered.
    Client none(dir.port());
    startSession(none, u"none", u"pw");
    EXPECT_EQ(none.call(u"WRITE:1OLDWO", {u"bill_id", u"9", u"pointto", u"孙工", u"status", u"8"}), ok);

    // The archive flag writes the archived order and its archive history.
    EXPECT_EQ(eng.call(u"WRITE:0OLDWO", {u"bill_id", u"500", u"status", u"8", u"pointto", u"周工"}), ok);

    history7 = eng.callList(u"DETAIL1STATUS7");
    EXPECT_EQ(records(eng.callList(u"DETAIL0STATUS500")).size(), 1u);
    EXPECT_TRUE(eng.callList(u"DETAIL1STATUS500").empty());
  }
  // Order 7: finished, with its done day; its reason was never allowed.
  EXPECT_EQ(field(dir, "list", "pointto", 7), "李工");
  EXPECT_EQ(field(dir, "list", "Status", 7), "16");
  EXPECT_EQ(field(dir, "list", "reason", 7), "");
  EXPECT_EQ(field(dir, "list", "reason", 10), "轴承磨损");
  EXPECT_EQ(field(dir, "list", "solute", 7), "");
  EXPECT_EQ(field(dir, "list", "em_level", 7), "3");
  EXPECT_EQ(field(dir, "list", "done_date", 7), std::to_string(Today));
  auto rows = records(history7);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], u"16");  // newest first
  EXPECT_EQ(rows[1][0], u"8");
  EXPECT_EQ(rows[0][1], u"eng(赵六)");
  const double start = tav::toDayTime(*tav::parseDateTime(Now));
  const double at = std::stod(utf8(rows[1][2]));
  EXPECT_GE(at, start);
  EXPECT_LT(at, start + 120.0 / 86400);

  // Order 8: "status" 2 refused, "Status" 2 applied, one history row.
  EXPECT_EQ(field(dir, "list", "pointto", 8), "钱工");
  EXPECT_EQ(field(dir, "list", "Status", 8), "2");
  EXPECT_EQ(field(dir, "list", "done_date", 8), "");
  EXPECT_EQ(count(dir, "status WHERE bill_id=8"), "1");

  // Order 9 untouched by refusals and by the session without rights.
  EXPECT_EQ(orderRow(dir, "list", 9), before9);
  EXPECT_EQ(count(dir, "status WHERE bill_id=9"), "0");

  // The archived order.
  EXPECT_EQ(field(dir, "list_o", "Status", 500), "8");
  EXPECT_EQ(field(dir, "list_o", "pointto", 500), "周工");
  EXPECT_EQ(count(dir, "status_o WHERE bill_id=500 AND Status=8 AND \"User\"='eng(赵六)'"), "1");
  EXPECT_EQ(count(dir, "status"), "3");
}

TEST_F(WoWriting, RequesterChangesOwnOrderWhileNotInForce) {
  // The defaults: only a dispatcher (right 2) may move a new request on,
  // to "arranged" (2) or "cancelled" (32).
  insertOrder(dir, "list", 1, 1, "req");
  insertOrder(dir, "list_o", 600, 1, "req");
  {
    ServerProcess server(dir, {{"TAV_NOW", Now}});
    // The creator's ID is matched without regard to letter case.
    Client req(dir.port());
    startSession(req, u"REQ", u"pw");
    Client other(dir.port());
    startSession(other, u"other", u"pw");
    Client disp(dir.port());
    startSession(disp, u"disp", u"pw");
    ASSERT_EQ(disp.call(u"WRITE:ANEWWO", newOrderPairs()), u"IGOTIT2");
    ASSERT_EQ(disp.call(u"WRITE:ANEWWO", newOrderPairs()), u"IGOTIT3");

    auto change = [](const std::u16string& id, const std::u16string& status) {
      return std::vector<std::u16string>{u"",     id,      u"10003", u"冷水机", u"压力低", u"IM",
                                         u"3",    u"47010", u"47012", status,     u"孙工"};
    };
    EXPECT_EQ(other.call(u"MYOLWO1", change(u"1", u"1")), u"WRONGU");
    // A plain requester's status change is not his to make: the rest is.
    EXPECT_EQ(req.call(u"MYOLWO1", change(u"1", u"2")), u"IGOTIT");
    // The dispatcher's moves pass the status rule and leave history.
    EXPECT_EQ(disp.call(u"MYOLWO1", change(u"2", u"2")), u"IGOTIT");
    EXPECT_EQ(disp.call(u"MYOLWO1", change(u"2", u"1")), u"CHANGE");
    EXPECT_EQ(disp.call(u"MYOLWO1", change(u"3", u"32")), u"IGOTIT");

    struct Case {
      const char* what;
      std::vector<std::u16string> fields;
      std::u16string reply;
    };
    auto bad = [&](std::size_t at, const std::u16string& text) {
      auto f = change(u"1", u"1");
      f[at] = text;
      return f;
    };
    const std::vector<Case> cases = {
        {"no such order", change(u"999", u"1"), u"NOTHIS"},
        {"order number beyond 32 bits (2^32 + 1)", change(u"4294967297", u"1"), u"NOTHIS"},
        {"status not a code", bad(9, u"5"), u"UWRONG"},
        {"equipment number beyond 32 bits", bad(2, u"99999999999"), u"UWRONG"},
        {"nine fields", shorter(change(u"1", u"1"), 1), u"UWRONG"},
    };
    for (const Case& c : cases) EXPECT_EQ(req.call(u"MYOLWO1", c.fields), c.reply) << c.what;

    EXPECT_EQ(req.call(u"MYOLWO0", change(u"600", u"1")), u"IGOTIT");
  }
  // Order 1: all but the status changed; no history.
  EXPECT_EQ(orderRow(dir, "list", 1), "10003|'冷水机'|'压力低'|1|'IM'|3|0|'req'|'某人'|46990|47010|47012|NULL|"
                                      "'孙工'|NULL|NULL|NULL|0");
  EXPECT_EQ(count(dir, "status WHERE bill_id=1"), "0");
  // Order 2 arranged, order 3 cancelled (a done status: it gets its day).
  EXPECT_EQ(field(dir, "list", "Status", 2), "2");
  EXPECT_EQ(field(dir, "list", "done_date", 2), "");
  EXPECT_EQ(field(dir, "list", "Status", 3), "32");
  EXPECT_EQ(field(dir, "list", "done_date", 3), std::to_string(Today));
  EXPECT_EQ(count(dir, "status WHERE bill_id=2 AND Status=2 AND \"User\"='disp(王五)'"), "1");
  EXPECT_EQ(count(dir, "status WHERE bill_id=3 AND Status=32"), "1");
  EXPECT_EQ(count(dir, "status"), "2");
  // The archived order, and nothing new in the current list.
  EXPECT_EQ(field(dir, "list_o", "comofequip", 600), "冷水机");
  EXPECT_EQ(field(dir, "list_o", "pointto", 600), "孙工");
  EXPECT_EQ(field(dir, "list_o", "compl_date", 600), "47012");
  EXPECT_EQ(count(dir, "list"), "3");
}
