// The used-time report: its right, its range checks, the day columns it
// accepts, and the three sections of a real report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

constexpr int D = 47000;  // the first day of the fixture's range


std::u16string num(long v) { return tav::fromUtf8(std::to_string(v)); }

std::vector<std::u16string> range(const std::u16string& column, long from, long to) {
  return {u"", column, num(from), num(to)};
}

struct Report {
  std::vector<std::vector<std::u16string>> orders, times, equipment;
};

// Splits a report (terminator cut off) into its three sections.
Report parse(const std::u16string& text) {
  std::vector<std::u16string> parts(1);
  for (char16_t c : text) {
    if (c == tav::SectionSep)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  EXPECT_EQ(parts.size(), 3u) << utf8(text);
  parts.resize(3);
  return {records(parts[0]), records(parts[1]), records(parts[2])};
}

std::vector<std::u16string> column(const std::vector<std::vector<std::u16string>>& rows, std::size_t i) {
  std::vector<std::u16string> out;
  for (const auto& r : rows) out.push_back(r.at(i));
  return out;
}


class UsedTimeReport : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "boss", 32, 1, u"pw", "boss");
    addUser(dir, "eng", 1 | 4, 1, u"pw", "eng");
  }
  ServerDir dir;
};

}  // namespace

TEST_F(UsedTimeReport, ThreeSectionsOfChosenOrders) {
  auto order = [&](const std::string& table, int id, const std::string& type, int equip, const std::string& created,
                   const std::string& done) {
    dir.sql("TAVrecords.mdb", "INSERT INTO " + table +
                                  "(bill_id, bill_type, equip_id, comofequip, usetime, created_date, done_date) "
                                  "VALUES(" + std::to_string(id) + ", '" + type + "', " + std::to_string(equip) +
                                  ", '设备" + std::to_string(id) + "', " + std::to_string(id * 10) + ", " +
                                  created + ", " + done + ")");
  };
  const std::string d = std::to_string(D);
  order("list", 1, "CM", 10001, d, "NULL");                        // in range, unfinished
  order("list", 2, "PS", 1001, std::to_string(D + 10), std::to_string(D + 12));  // in range, finished
  order("list", 3, "CM", 10003, std::to_string(D - 1), std::to_string(D + 1));   // before the range
  order("list", 4, "CM", 10004, "NULL", std::to_string(D + 1));  // no created day: never chosen
  order("list", 5, "IM", 10005, std::to_string(D + 20), std::to_string(D + 20));  // the range's last day
  order("list_o", 90, "CM", 10090, std::to_string(D + 3), std::to_string(D + 4));
  order("list_o", 91, "CM", 10091, std::to_string(D + 3), "NULL");
  const char* rows =
      "INSERT INTO detail VALUES(2, '赵六', 1, 30);"
      "INSERT INTO detail VALUES(1, '赵六', 2, 12.5);"
      "INSERT INTO detail VALUES(3, '李四', 1, 99);"
      "INSERT INTO detail VALUES(2, '李四', 4, 15);"
      "INSERT INTO detail_o VALUES(90, '钱七', 8, 7);"
      "INSERT INTO detail_o VALUES(91, '钱七', 8, 8);"
      "INSERT INTO sublist VALUES(2, 20001, '一号泵', 22.5);"
      "INSERT INTO sublist VALUES(3, 20003, '三号泵', 1);"
      "INSERT INTO sublist VALUES(2, 20002, '二号泵', 22.5);"
      "INSERT INTO sublist_o VALUES(90, 20090, '旧泵', 7);";
  dir.sql("TAVrecords.mdb", rows);

  ServerProcess server(dir);
  Client boss(dir.port());
  startSession(boss, u"boss");

  // All current orders created in the range, in stored order.
  Report all = parse(boss.callList(u"REPORT00", range(u"created_date", D, D + 20)));
  ASSERT_EQ(all.orders.size(), 3u);
  EXPECT_EQ(all.orders[0], (std::vector<std::u16string>{u"1", u"CM", u"10001", u"设备1", u"10"}));
  EXPECT_EQ(column(all.orders, 0), (std::vector<std::u16string>{u"1", u"2", u"5"}));
  ASSERT_EQ(all.times.size(), 3u);
  EXPECT_EQ(all.times[0], (std::vector<std::u16string>{u"2", u"赵六", u"1", u"30"}));
  EXPECT_EQ(all.times[1], (std::vector<std::u16string>{u"1", u"赵六", u"2", u"12.5"}));
  EXPECT_EQ(all.times[2], (std::vector<std::u16string>{u"2", u"李四", u"4", u"15"}));
  ASSERT_EQ(all.equipment.size(), 2u);
  EXPECT_EQ(all.equipment[0], (std::vector<std::u16string>{u"2", u"20001", u"一号泵", u"22.5"}));
  EXPECT_EQ(all.equipment[1], (std::vector<std::u16string>{u"2", u"20002", u"二号泵", u"22.5"}));

  // Finished only, with the archive: archived orders follow the current
  // ones in every section; unfinished ones are left out with their rows.
  Report fin = parse(boss.callList(u"REPORT11", range(u"created_date", D, D + 20)));
  EXPECT_EQ(column(fin.orders, 0), (std::vector<std::u16string>{u"2", u"5", u"90"}));
  EXPECT_EQ(column(fin.times, 0), (std::vector<std::u16string>{u"2", u"2", u"90"}));
  EXPECT_EQ(column(fin.equipment, 1), (std::vector<std::u16string>{u"20001", u"20002", u"20090"}));

  // The archive flag alone; another day column, named in any letter case.
  Report arch = parse(boss.callList(u"REPORT01", range(u"created_date", D, D + 20)));
  EXPECT_EQ(column(arch.orders, 0), (std::vector<std::u16string>{u"1", u"2", u"5", u"90", u"91"}));
  Report done = parse(boss.callList(u"REPORT00", range(u"DONE_DATE", D + 1, D + 1)));
  EXPECT_EQ(column(done.orders, 0), (std::vector<std::u16string>{u"3", u"4"}));
  EXPECT_EQ(column(done.times, 0), (std::vector<std::u16string>{u"3"}));
}

TEST_F(UsedTimeReport, RightsRangesAndColumns) {
  ServerProcess server(dir);
  Client boss(dir.port());
  startSession(boss, u"boss");

  // An empty report is exactly its two section marks and the terminator.
  ASSERT_TRUE(boss.request(u"REPORT00", range(u"created_date", D, D + 370)));
  EXPECT_EQ(boss.readList(), tav::toUtf16le(std::u16string{tav::SectionSep, tav::SectionSep}) +
                                 std::string(tav::MsgEnd));

  struct Case {
    const char* what;
    std::vector<std::u16string> fields;
    std::u16string reply;
  };
  const std::vector<Case> cases = {
      {"371 days", range(u"created_date", D, D + 371), u"TOLONG"},
      {"end one day before start", range(u"begin_date", D, D - 1), u"WRONGW"},
      {"end 400 days before start", range(u"compl_date", D, D - 400), u"WRONGW"},
      {"a field that holds no day", range(u"usetime", D, D), u"WRONGW"},
      {"the order's number", range(u"bill_id", D, D), u"WRONGW"},
      {"no field of an order", range(u"deadline", D, D), u"WRONGW"},
      {"start beyond 32 bits", range(u"created_date", 4294967296L + D, D), u"WRONGW"},
      {"fields missing", {u"", u"created_date", num(D)}, u"WRONGW"},
  };
  for (const Case& c : cases) EXPECT_EQ(boss.call(u"REPORT00", c.fields), c.reply) << c.what;
}

TEST_F(UsedTimeReport, RefusedWithoutTheRightAndWithoutRenewingTheSession) {
  ServerProcess server(dir, {{"TAV_SESSION_SECONDS", "2"}});
  Client eng(dir.port());
  startSession(eng, u"eng");
  Client boss(dir.port());
  startSession(boss, u"boss");

  // The refused session keeps asking while the other keeps working: only
  // the refused one runs out of time, two seconds after its last renewal.
  std::u16string answer;
  eventually([&] {
    answer = eng.call(u"REPORT00", range(u"created_date", D, D));
    if (answer != u"NOPWER") return true;
    EXPECT_EQ(parse(boss.callList(u"REPORT00", range(u"created_date", D, D))).orders.size(), 0u);
    return false;
  });
  EXPECT_NE(answer, u"NOPWER") << "the refused session was kept alive";
  EXPECT_TRUE(eng.waitClosed(5));
  EXPECT_EQ(boss.callList(u"REPORT00", range(u"created_date", D, D)),
            (std::u16string{tav::SectionSep, tav::SectionSep}));
}
