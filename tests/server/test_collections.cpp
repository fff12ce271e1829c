// Equipment collections over the wire: listing, adding, changing and
// deleting, the record pool they are taken from, and their rights.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

constexpr int RightPlans = 16;    // collections and plans
constexpr int RightApprove = 2;   // approving plans



// The 42 fields of a collection: name, description, then 20 location pairs.
std::vector<std::u16string> collection(const std::u16string& name, const std::u16string& descr,
                                       const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
  std::vector<std::u16string> f{name, descr};
  for (std::size_t k = 0; k < 20; ++k) {
    f.push_back(k < pairs.size() ? pairs[k].first : u"");
    f.push_back(k < pairs.size() ? pairs[k].second : u"");
  }
  return f;
}

std::vector<std::u16string> withNumber(const std::u16string& number, std::vector<std::u16string> f) {
  f.insert(f.begin(), number);
  return f;
}

double dayTime(const std::u16string& text) { return std::stod(utf8(text)); }

double clockAt(int y, int m, int d, int hh, int mm, int ss) { return tav::toDayTime({y, m, d, hh, mm, ss}); }

class Collections : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "boss", RightPlans | RightApprove);
    addUser(dir, "clerk", 1 | 4 | 8 | 32);
  }
  std::vector<std::vector<std::u16string>> list(Client& c) { return records(c.callList(u"GETCOL")); }
  std::string col(const std::string& field, int number) {
    return dir.query("TAVequipment.mdb",
                     "SELECT " + field + " FROM collection WHERE autonum=" + std::to_string(number));
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Collections, AddListChangeAndDelete) {
  ServerProcess server(dir, {{"TAV_NOW", "2026-12-09 10:31:11"}});
  Client c(dir.port());
  startSession(c, u"boss");
  EXPECT_EQ(c.callList(u"GETCOL"), u"");  // a fresh pool has no live records

  const std::u16string added =
      c.call(u"COLADD", collection(u"一号泵组", u"冷却水\x19泵", {{u"A-01", u"水泵"}, {u"A-02", u"电机"}, {u"B-07", u"阀门"}}));
  ASSERT_EQ(added.substr(0, 10), u"IGOTIT1001") << utf8(added);
  const double setUp = dayTime(added.substr(10));
  EXPECT_NEAR(setUp, clockAt(2026, 12, 9, 10, 31, 11), 30.0 / 86400);

  auto recs = list(c);
  ASSERT_EQ(recs.size(), 1u);
  const auto& r = recs[0];
  ASSERT_EQ(r.size(), 46u);
  EXPECT_EQ(r[0], u"1001");
  EXPECT_EQ(r[1], u"一号泵组");
  EXPECT_EQ(r[2], u"冷却水泵");  // a record separator inside a text is not stored
  EXPECT_EQ(r[3], added.substr(10));
  EXPECT_EQ(r[4], u"boss(用户boss)");
  EXPECT_EQ((std::vector<std::u16string>(r.begin() + 5, r.begin() + 11)),
            (std::vector<std::u16string>{u"A-01", u"水泵", u"A-02", u"电机", u"B-07", u"阀门"}));
  for (std::size_t i = 11; i < 45; ++i) EXPECT_EQ(r[i], u"") << i;
  EXPECT_EQ(r[45], u"0");

  // A name already taken leaves the free record free: the next add gets 1002.
  EXPECT_EQ(c.call(u"COLADD", collection(u"一号泵组", u"", {})), u"WRONGN");
  EXPECT_EQ(list(c).size(), 1u);
  ASSERT_EQ(c.call(u"COLADD", collection(u"二号", u"", {{u"C-01", u"风机"}})).substr(0, 10), u"IGOTIT1002");

  // Approve a plan on 1001 so that its count is not 0 before the change.
  ASSERT_EQ(c.call(u"PRENEW", {u"月检", u"", u"1001", u"一号泵组", u"王工", u"46000", u"1", u"3", u"1"}).substr(0, 10),
            u"IGOTIT1001");
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(list(c)[0][45], u"1");

  // A change rewrites every field and starts the count again.
  const std::u16string changed = c.call(u"COLALT", withNumber(u"1001", collection(u"泵组甲", u"改", {{u"D-01", u"水箱"}})));
  ASSERT_EQ(changed.substr(0, 6), u"IGOTIT") << utf8(changed);
  EXPECT_GE(dayTime(changed.substr(6)), setUp);
  recs = list(c);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], u"1001");
  EXPECT_EQ(recs[0][1], u"泵组甲");
  EXPECT_EQ(recs[0][3], changed.substr(6));
  EXPECT_EQ(recs[0][5], u"D-01");
  EXPECT_EQ(recs[0][7], u"");  // the old second pair is gone
  EXPECT_EQ(recs[0][45], u"0");

  // Changing to another collection's name, or a number that is not live.
  EXPECT_EQ(c.call(u"COLALT", withNumber(u"1001", collection(u"二号", u"", {}))), u"WRONGN");
  EXPECT_EQ(list(c)[0][1], u"泵组甲");
  for (const char16_t* number : {u"1500", u"2003", u"-1001", u"", u"99999999999"})
    EXPECT_EQ(c.call(u"COLALT", withNumber(number, collection(u"三号", u"", {}))), u"NOTHIS") << utf8(number);

  // Deleting returns the record; the number and the name become free.
  EXPECT_EQ(c.call(u"COLDEL", {u"1001.4"}), u"IGOTIT");  // a number is rounded
  recs = list(c);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][0], u"1002");
  for (const char16_t* number : {u"1001", u"2001", u"2003", u"0", u""})
    EXPECT_EQ(c.call(std::u16string(u"COLDEL") + number), u"NOTHIS") << utf8(number);
  const std::u16string again = c.call(u"COLADD", collection(u"泵组甲", u"", {}));
  EXPECT_EQ(again.substr(0, 10), u"IGOTIT1001") << utf8(again);
  recs = list(c);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], u"1001");
  EXPECT_EQ(recs[0][45], u"0");

  server.stop();
  EXPECT_EQ(col("count(*)", 1001), "1");
  EXPECT_EQ(dir.query("TAVequipment.mdb", "SELECT count(*) FROM collection WHERE name IS NULL AND autonum>2000"),
            "997");
}

TEST_F(Collections, PoolRunsOut) {
  // Left: a record numbered 2000, one numbered 3500 and two free records.
  dir.sql("TAVequipment.mdb", "DELETE FROM collection WHERE autonum>2004");
  dir.sql("TAVequipment.mdb", "UPDATE collection SET autonum=2000 WHERE autonum=2001");
  dir.sql("TAVequipment.mdb", "UPDATE collection SET autonum=3500 WHERE autonum=2002");
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"boss");
  EXPECT_EQ(c.call(u"COLADD", collection(u"甲", u"", {})).substr(0, 10), u"IGOTIT1003");
  EXPECT_EQ(c.call(u"COLADD", collection(u"乙", u"", {})).substr(0, 10), u"IGOTIT1004");
  EXPECT_EQ(c.call(u"COLADD", collection(u"丙", u"", {})), u"TOLONG");
  // Neither 2000 nor 3500 is live or free.
  EXPECT_EQ(c.call(u"COLDEL", {u"1000"}), u"NOTHIS");
  EXPECT_EQ(c.call(u"COLDEL", {u"2500"}), u"NOTHIS");
  auto recs = list(c);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], u"1003");
  EXPECT_EQ(recs[1][0], u"1004");

  EXPECT_EQ(c.call(u"COLDEL", {u"1003"}), u"IGOTIT");
  EXPECT_EQ(c.call(u"COLADD", collection(u"丙", u"", {})).substr(0, 10), u"IGOTIT1003");
  server.stop();
  EXPECT_EQ(col("count(*)", 2000), "1");
  EXPECT_EQ(col("count(*)", 3500), "1");
  EXPECT_EQ(col("name", 1003), "丙");
}

TEST_F(Collections, RightsAndMalformedRequests) {
  ServerProcess server(dir);
  Client clerk(dir.port());
  startSession(clerk, u"clerk");
  Client boss(dir.port());
  startSession(boss, u"boss");
  ASSERT_EQ(boss.call(u"COLADD", collection(u"甲", u"", {})).substr(0, 10), u"IGOTIT1001");

  EXPECT_EQ(clerk.call(u"COLADD", collection(u"乙", u"", {})), u"WROPOW");
  EXPECT_EQ(clerk.call(u"COLALT", withNumber(u"1001", collection(u"乙", u"", {}))), u"WROPOW");
  EXPECT_EQ(clerk.call(u"COLDEL", {u"1001"}), u"WROPOW");
  EXPECT_EQ(records(clerk.callList(u"GETCOL")).size(), 1u);
  // Rights come only from the start-of-session reply.
  Client fresh(dir.port());
  ASSERT_EQ(fresh.login(u"boss", u"pw"), u"ACCEPTED");
  EXPECT_EQ(fresh.call(u"COLADD", collection(u"乙", u"", {})), u"WROPOW");

  // A request short of fields is refused before any record is touched.
  auto shortAdd = collection(u"乙", u"", {});
  shortAdd.pop_back();
  EXPECT_EQ(boss.call(u"COLADD", shortAdd), u"UNKNOWNS");
  auto shortAlt = withNumber(u"1001", collection(u"乙", u"", {}));
  shortAlt.pop_back();
  EXPECT_EQ(boss.call(u"COLALT", shortAlt), u"UNKNOWNS");
  auto recs = records(boss.callList(u"GETCOL"));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], u"甲");
  EXPECT_EQ(boss.call(u"COLADD", collection(u"乙", u"", {})).substr(0, 10), u"IGOTIT1002");
}
