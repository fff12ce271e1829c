// Used time: used-time rows, the order's total, the equipment shares of a
// plan's order, and the refusals that leave everything as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {


void insertOrder(ServerDir& dir, const std::string& table, int billId, int equipId, int usetime, int equs) {
  dir.sql("TAVrecords.mdb", "INSERT INTO " + table + "(bill_id, equip_id, comofequip, Status, usetime, equs, "
                                "createid, created_date) VALUES(" +
                                std::to_string(billId) + ", " + std::to_string(equipId) + ", '设备', 4, " +
                                std::to_string(usetime) + ", " + std::to_string(equs) + ", 'x', 47000)");
}

void insertEquipmentRow(ServerDir& dir, const std::string& table, int billId, int equipId) {
  dir.sql("TAVrecords.mdb", "INSERT INTO " + table + "(bill_id, equip_id, equipname, usetime) VALUES(" +
                                std::to_string(billId) + ", " + std::to_string(equipId) + ", '泵', 0)");
}

std::string query(ServerDir& dir, const std::string& sql) { return dir.query("TAVrecords.mdb", sql); }

std::string usetime(ServerDir& dir, const std::string& table, int billId) {
  return query(dir, "SELECT usetime FROM " + table + " WHERE bill_id=" + std::to_string(billId));
}

// The order's number and its trade/time pairs, as the client lays them out.
std::vector<std::u16string> entry(const std::u16string& billId, const std::vector<std::u16string>& pairs) {
  std::vector<std::u16string> f{billId};
  f.insert(f.end(), pairs.begin(), pairs.end());
  return f;
}

class UsedTime : public ::testing::Test {
 protected:
  void SetUp() override { addUser(dir, "eng", 4, 3, u"pw", "赵六"); }
  ServerDir dir;
};

}  // namespace

TEST_F(UsedTime, EntriesAreRecordedAndAddedToTheOrder) {
  insertOrder(dir, "list", 7, 10001, 10, 0);
  insertOrder(dir, "list_o", 70, 10001, 0, 0);
  std::u16string listed;
  {
    ServerProcess server(dir);
    Client eng(dir.port());
    ASSERT_EQ(eng.login(u"eng", u"pw"), u"ACCEPTED");
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"7", {u"2", u"30", u"4", u"15"})), u"IGOTIT");
    // A zero entry is no row in the current table; the archive keeps it.
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"7", {u"1", u"0"})), u"IGOTIT");
    EXPECT_EQ(eng.call(u"ADTIME0", entry(u"70", {u"1", u"0", u"8", u"12.5"})), u"IGOTIT");
    // Only the number and one separator: nothing to record.
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"7", {})), u"IGOTIT");
    listed = eng.callList(u"DETAIL1USTIME7");
  }
  EXPECT_EQ(usetime(dir, "list", 7), "55");
  auto rows = records(listed);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::u16string>{u"赵六", u"4", u"15"}));  // newest first
  EXPECT_EQ(rows[1], (std::vector<std::u16string>{u"赵六", u"2", u"30"}));
  EXPECT_EQ(query(dir, "SELECT count(*) FROM detail"), "2");

  EXPECT_EQ(usetime(dir, "list_o", 70), "12");  // 12.5 rounds to the even neighbour
  EXPECT_EQ(query(dir, "SELECT group_concat(Type||':'||used_time, ' ') FROM detail_o WHERE bill_id=70"),
            "1:0.0 8:12.5");
}

TEST_F(UsedTime, TheSumIsExactAndRoundedOnce) {
  struct Case {
    std::vector<std::u16string> times;
    const char* added;
  };
  const std::vector<Case> cases = {
      {{u"2.5", u"2.5"}, "5"},          // per-entry rounding would give 4
      {{u"0.1", u"0.2", u"0.2"}, "0"},  // exactly a half: to even; binary sums give 0.5000000000000001
      {{u"1.25", u"1.25"}, "2"},
      {{u"0.3", u"0.3", u"0.3"}, "1"},
      {{u"9999", u" 1 "}, "10000"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) insertOrder(dir, "list", static_cast<int>(i + 1), 10001, 0, 0);
  {
    ServerProcess server(dir);
    Client eng(dir.port());
    ASSERT_EQ(eng.login(u"eng", u"pw"), u"ACCEPTED");
    for (std::size_t i = 0; i < cases.size(); ++i) {
      std::vector<std::u16string> pairs;
      for (const auto& t : cases[i].times) {
        pairs.push_back(u"1");
        pairs.push_back(t);
      }
      EXPECT_EQ(eng.call(u"ADTIME1", entry(tav::fromUtf8(std::to_string(i + 1)), pairs)), u"IGOTIT");
    }
  }
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(usetime(dir, "list", static_cast<int>(i + 1)), cases[i].added) << "case " << i;
}

TEST_F(UsedTime, RefusalsWriteNothing) {
  insertOrder(dir, "list", 1, 10001, 5, 0);
  insertOrder(dir, "list", 7, 10001, 5, 0);
  {
    ServerProcess server(dir);
    Client eng(dir.port());
    ASSERT_EQ(eng.login(u"eng", u"pw"), u"ACCEPTED");
    struct Case {
      const char* what;
      std::u16string word;
      std::vector<std::u16string> fields;
      std::u16string reply;
    };
    const std::vector<Case> cases = {
        {"time not a number", u"ADTIME1", entry(u"7", {u"2", u"30", u"4", u"abc"}), u"UWRONG"},
        {"time with trailing text", u"ADTIME1", entry(u"7", {u"2", u"30", u"4", u"3h"}), u"UWRONG"},
        {"negative time", u"ADTIME1", entry(u"7", {u"2", u"-5"}), u"UWRONG"},
        {"time over 9999", u"ADTIME1", entry(u"7", {u"2", u"10000"}), u"UWRONG"},
        {"time in exponent form", u"ADTIME1", entry(u"7", {u"2", u"1e3"}), u"UWRONG"},
        {"empty time", u"ADTIME1", entry(u"7", {u"2", u""}), u"UWRONG"},
        {"trade beyond 32 bits", u"ADTIME1", entry(u"7", {u"4294967298", u"30"}), u"UWRONG"},
        {"no such order", u"ADTIME1", entry(u"8", {u"2", u"30"}), u"NOTHIS"},
        {"order number beyond 32 bits (2^32 + 1)", u"ADTIME1", entry(u"4294967297", {u"2", u"30"}), u"NOTHIS"},
        {"current order asked in the archive", u"ADTIME0", entry(u"7", {u"2", u"30"}), u"NOTHIS"},
    };
    for (const Case& c : cases) EXPECT_EQ(eng.call(c.word, c.fields), c.reply) << c.what;
  }
  EXPECT_EQ(usetime(dir, "list", 1), "5");
  EXPECT_EQ(usetime(dir, "list", 7), "5");
  EXPECT_EQ(query(dir, "SELECT count(*) FROM detail"), "0");
  EXPECT_EQ(query(dir, "SELECT count(*) FROM detail_o"), "0");
}

TEST_F(UsedTime, PlanOrdersShareTheirTimeOverTheirEquipment) {
  // Order 20 comes from a plan (collection 1001) with four pieces of
  // equipment; a fifth row of it lies beyond equs; order 21 is another
  // plan order; order 30 is an ordinary one that happens to have rows.
  insertOrder(dir, "list", 20, 1001, 0, 4);
  insertOrder(dir, "list", 21, 1002, 0, 2);
  insertOrder(dir, "list", 30, 10001, 0, 2);
  insertOrder(dir, "list_o", 40, 1003, 0, 2);
  for (int e : {1, 2}) insertEquipmentRow(dir, "sublist", 20, 10000 + e);
  insertEquipmentRow(dir, "sublist", 21, 10009);
  for (int e : {3, 4, 5}) insertEquipmentRow(dir, "sublist", 20, 10000 + e);
  for (int e : {1, 2}) insertEquipmentRow(dir, "sublist", 30, 10000 + e);
  for (int e : {1, 2}) insertEquipmentRow(dir, "sublist_o", 40, 10000 + e);
  {
    ServerProcess server(dir);
    Client eng(dir.port());
    ASSERT_EQ(eng.login(u"eng", u"pw"), u"ACCEPTED");
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"20", {u"1", u"30", u"2", u"30"})), u"IGOTIT");
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"20", {u"1", u"10"})), u"IGOTIT");
    EXPECT_EQ(eng.call(u"ADTIME1", entry(u"30", {u"1", u"10"})), u"IGOTIT");
    EXPECT_EQ(eng.call(u"ADTIME0", entry(u"40", {u"1", u"3"})), u"IGOTIT");
  }
  EXPECT_EQ(usetime(dir, "list", 20), "70");
  EXPECT_EQ(query(dir, "SELECT group_concat(usetime, ' ') FROM sublist WHERE bill_id=20"),
            "17.5 17.5 17.5 17.5 0.0");
  EXPECT_EQ(query(dir, "SELECT usetime FROM sublist WHERE bill_id=21"), "0.0");
  EXPECT_EQ(query(dir, "SELECT group_concat(usetime, ' ') FROM sublist WHERE bill_id=30"), "0.0 0.0");
  EXPECT_EQ(usetime(dir, "list", 30), "10");
  EXPECT_EQ(query(dir, "SELECT group_concat(usetime, ' ') FROM sublist_o WHERE bill_id=40"), "1.5 1.5");
}
