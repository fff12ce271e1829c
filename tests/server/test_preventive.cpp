// Preventive plans over the wire: setting up, approving, withdrawing and
// deleting them, the approval count of their collection, and the creation
// days that approval and the start-up pass compute.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

constexpr int RightPlans = 16;   // collections and plans
constexpr int RightApprove = 2;  // approving plans



std::vector<std::u16string> collection(const std::u16string& name) {
  std::vector<std::u16string> f{name, u"说明", u"A-01", u"水泵"};
  f.resize(42);
  return f;
}

std::u16string text(long long v) {
  const std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

std::u16string day(int y, int m, int d) { return text(tav::dayFromCivil(y, m, d)); }

// The nine fields of a plan.
struct Plan {
  std::u16string name, colnum = u"1001", begday = day(2025, 6, 1), every = u"1", perio = u"2";
  std::vector<std::u16string> fields() const {
    return {name, u"检查润滑", colnum, u"泵组", u"王工", begday, every, perio, u"1"};
  }
};

std::vector<std::u16string> withNumber(const std::u16string& number, std::vector<std::u16string> f) {
  f.insert(f.begin(), number);
  return f;
}

class Plans : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "boss", RightPlans | RightApprove);
    addUser(dir, "planner", RightPlans);
    addUser(dir, "approver", RightApprove);
  }
  std::vector<std::vector<std::u16string>> plans(Client& c) { return records(c.callList(u"GETPRE")); }
  std::u16string refer(Client& c, std::size_t at = 0) {
    auto recs = records(c.callList(u"GETCOL"));
    return at < recs.size() ? recs[at][45] : u"<none>";
  }
  std::string pwo(const std::string& field, int number) {
    return dir.query("TAVequipment.mdb", "SELECT " + field + " FROM prewo WHERE Number=" + std::to_string(number));
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Plans, SetUpApproveWithdrawDelete) {
  ServerProcess server(dir, {{"TAV_NOW", "2025-05-10 08:00:00"}});
  Client c(dir.port());
  startSession(c, u"boss");
  ASSERT_EQ(c.call(u"COLADD", collection(u"泵组")).substr(0, 10), u"IGOTIT1001");
  EXPECT_EQ(c.callList(u"GETPRE"), u"");

  Plan a{u"周检"};
  a.every = u"3次";  // the number a text begins with
  const std::u16string made = c.call(u"PRENEW", a.fields());
  ASSERT_EQ(made.substr(0, 10), u"IGOTIT1001") << utf8(made);
  auto recs = plans(c);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0], (std::vector<std::u16string>{u"1001", u"周检", u"检查润滑", u"1001", u"泵组", u"王工", a.begday,
                                                   u"3", u"2", u"1", u"用户boss", u"boss", made.substr(10), u"", u"",
                                                   u"0"}));

  // Approval answers its time and counts once, however often it is given.
  const std::u16string approved = c.call(u"PWOAPP", {u"1001"});
  ASSERT_EQ(approved.substr(0, 6), u"IGOTIT") << utf8(approved);
  recs = plans(c);
  EXPECT_EQ(recs[0][13], u"boss(用户boss)");
  EXPECT_EQ(recs[0][14], approved.substr(6));
  EXPECT_EQ(recs[0][15], u"1");
  EXPECT_EQ(refer(c), u"1");
  EXPECT_EQ(c.call(u"PWOAPP1001").substr(0, 6), u"IGOTIT");
  EXPECT_EQ(refer(c), u"1");

  // Rejecting withdraws it once; a second rejection changes nothing.
  EXPECT_EQ(c.call(u"PWOCAN", {u"1001"}), u"IGOTIT");
  recs = plans(c);
  EXPECT_EQ((std::vector<std::u16string>(recs[0].begin() + 13, recs[0].end())),
            (std::vector<std::u16string>{u"", u"", u"0"}));
  EXPECT_EQ(refer(c), u"0");
  EXPECT_EQ(c.call(u"PWOCAN", {u"1001"}), u"IGOTIT");
  EXPECT_EQ(refer(c), u"0");

  // Changing an approved plan withdraws its approval.
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  a.name = u"周检二";
  a.perio = u"1";
  const std::u16string altered = c.call(u"PREALT", withNumber(u"1001", a.fields()));
  ASSERT_EQ(altered.substr(0, 6), u"IGOTIT") << utf8(altered);
  recs = plans(c);
  EXPECT_EQ(recs[0][1], u"周检二");
  EXPECT_EQ(recs[0][8], u"1");
  EXPECT_EQ(recs[0][12], altered.substr(6));
  EXPECT_EQ(recs[0][15], u"0");
  EXPECT_EQ(refer(c), u"0");

  // An approval given before the collection's last change no longer counts
  // and is not taken off again; one given after the change is.
  ASSERT_EQ(c.call(u"PRENEW", Plan{u"月检"}.fields()).substr(0, 10), u"IGOTIT1002");
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(refer(c), u"1");
  std::vector<std::u16string> changed = collection(u"泵组");
  changed.insert(changed.begin(), u"1001");
  ASSERT_EQ(c.call(u"COLALT", changed).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(refer(c), u"0");
  ASSERT_EQ(c.call(u"PWOAPP", {u"1002"}).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(refer(c), u"1");
  EXPECT_EQ(c.call(u"PWOCAN", {u"1001"}), u"IGOTIT");
  EXPECT_EQ(refer(c), u"1");
  // Approving again after the change counts the plan anew.
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  ASSERT_EQ(c.call(u"COLALT", changed).substr(0, 6), u"IGOTIT");
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(refer(c), u"1");

  // Deleting an approved plan withdraws it and returns the record.
  EXPECT_EQ(c.call(u"PWODEL", {u"1001"}), u"IGOTIT");
  EXPECT_EQ(refer(c), u"0");
  recs = plans(c);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][0], u"1002");
  for (const char16_t* word : {u"PWODEL", u"PWOAPP", u"PWOCAN"})
    for (const char16_t* number : {u"1001", u"2003", u"0", u""})
      EXPECT_EQ(c.call(word, {number}), u"NOTHIS") << utf8(word) << utf8(number);
  EXPECT_EQ(c.call(u"PREALT", withNumber(u"2001", a.fields())), u"NOTHIS");

  // A plan whose collection is gone cannot be approved, nor one naming a
  // free or unknown collection number.
  EXPECT_EQ(c.call(u"COLDEL", {u"1001"}), u"IGOTIT");
  EXPECT_EQ(c.call(u"PWOAPP", {u"1002"}), u"NOCOLE");  // was approved: stays as it was
  Plan free{u"空号"};
  free.colnum = u"2002";
  ASSERT_EQ(c.call(u"PRENEW", free.fields()).substr(0, 10), u"IGOTIT1001");
  EXPECT_EQ(c.call(u"PWOAPP", {u"1001"}), u"NOCOLE");
  recs = plans(c);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][15], u"0");
  EXPECT_EQ(recs[0][14], u"");

  server.stop();
  EXPECT_EQ(dir.query("TAVequipment.mdb", "SELECT count(*) FROM prewo WHERE Number=2001 AND name IS NULL"), "0");
  EXPECT_EQ(pwo("name", 1001), "空号");
  EXPECT_EQ(pwo("statu", 1002), "1");
}

TEST_F(Plans, RefusedSaveKeepsEverything) {
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"boss");
  ASSERT_EQ(c.call(u"COLADD", collection(u"泵组")).substr(0, 10), u"IGOTIT1001");
  ASSERT_EQ(c.call(u"PRENEW", Plan{u"甲"}.fields()).substr(0, 10), u"IGOTIT1001");
  ASSERT_EQ(c.call(u"PRENEW", Plan{u"乙"}.fields()).substr(0, 10), u"IGOTIT1002");
  EXPECT_EQ(c.call(u"PRENEW", Plan{u"甲"}.fields()), u"WRONGN");
  ASSERT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  const auto before = records(c.callList(u"GETPRE"));

  // The withdrawal from the collection goes back with the refused save.
  EXPECT_EQ(c.call(u"PREALT", withNumber(u"1001", Plan{u"乙"}.fields())), u"WRONGN");
  EXPECT_EQ(records(c.callList(u"GETPRE")), before);
  EXPECT_EQ(refer(c), u"1");
  // The refused add left its free record free.
  EXPECT_EQ(c.call(u"PRENEW", Plan{u"丙"}.fields()).substr(0, 10), u"IGOTIT1003");
}

TEST_F(Plans, IntervalsThatCannotBeSteppedAreRefused) {
  dir.sql("TAVequipment.mdb", "UPDATE prewo SET Number=1999, name='旧', colnum=1001, begday=45000, every=0, perio=3, "
                              "isusing=1 WHERE Number=2999");
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"boss");
  ASSERT_EQ(c.call(u"COLADD", collection(u"泵组")).substr(0, 10), u"IGOTIT1001");

  struct Case {
    const char16_t *every, *perio, *begday;
  };
  const Case bad[] = {
      {u"0.4", u"2", u"45000"},  {u"-1", u"2", u"45000"},  {u"0", u"2", u"45000"},   {u"", u"2", u"45000"},
      {u"天", u"2", u"45000"},   {u"1.5", u"2", u"45000"}, {u"1000", u"2", u"45000"}, {u"1e300", u"2", u"45000"},
      {u"1", u"5", u"45000"},    {u"1", u"0", u"45000"},   {u"1", u"", u"45000"},     {u"1", u"2", u""},
      {u"1", u"2", u"-800000"},
  };
  for (const Case& k : bad) {
    Plan p{u"坏"};
    p.every = k.every;
    p.perio = k.perio;
    p.begday = k.begday;
    EXPECT_EQ(c.call(u"PRENEW", p.fields()), u"UNLDAY") << utf8(k.every) << "/" << utf8(k.perio);
    EXPECT_EQ(c.call(u"PREALT", withNumber(u"1999", p.fields())), u"UNLDAY") << utf8(k.every);
  }
  // A plan written into the file with interval 0 is refused at approval,
  // and the server goes on answering at once.
  EXPECT_EQ(c.call(u"PWOAPP", {u"1999"}), u"UNLDAY");
  auto recs = records(c.callList(u"GETPRE"));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], u"旧");
  EXPECT_EQ(recs[0][15], u"0");
  EXPECT_EQ(refer(c), u"0");

  Plan edge{u"好"};
  edge.every = u"999";
  edge.perio = u"4";
  ASSERT_EQ(c.call(u"PRENEW", edge.fields()).substr(0, 10), u"IGOTIT1001");
  EXPECT_EQ(c.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
}

TEST_F(Plans, RightsAndMalformedRequests) {
  ServerProcess server(dir);
  Client boss(dir.port());
  startSession(boss, u"boss");
  Client planner(dir.port());
  startSession(planner, u"planner");
  Client approver(dir.port());
  startSession(approver, u"approver");
  ASSERT_EQ(boss.call(u"COLADD", collection(u"泵组")).substr(0, 10), u"IGOTIT1001");

  ASSERT_EQ(planner.call(u"PRENEW", Plan{u"甲"}.fields()).substr(0, 10), u"IGOTIT1001");
  EXPECT_EQ(planner.call(u"PWOAPP", {u"1001"}), u"WROPOW");
  EXPECT_EQ(planner.call(u"PWOCAN", {u"1001"}), u"WROPOW");
  EXPECT_EQ(approver.call(u"PRENEW", Plan{u"乙"}.fields()), u"WROPOW");
  EXPECT_EQ(approver.call(u"PREALT", withNumber(u"1001", Plan{u"乙"}.fields())), u"WROPOW");
  EXPECT_EQ(approver.call(u"PWODEL", {u"1001"}), u"WROPOW");
  EXPECT_EQ(approver.call(u"PWOAPP", {u"1001"}).substr(0, 6), u"IGOTIT");
  EXPECT_EQ(records(approver.callList(u"GETPRE")).size(), 1u);

  auto shortNew = Plan{u"乙"}.fields();
  shortNew.pop_back();
  EXPECT_EQ(planner.call(u"PRENEW", shortNew), u"UNKNOWNS");
  EXPECT_EQ(planner.call(u"PREALT", shortNew), u"UNKNOWNS");
  Plan huge{u"乙"};
  huge.colnum = u"1e12";
  EXPECT_EQ(planner.call(u"PRENEW", huge.fields()), u"UNKNOWNS");
  auto recs = records(planner.callList(u"GETPRE"));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][15], u"1");
}

// Approval steps the due day from `begday` until it lies two days or more
// after today; the plan is created the day before. The start-up pass steps
// every approved plan the same way against its own day.
TEST_F(Plans, CreationDays) {
  struct Case {
    const char16_t* what;
    int begY, begM, begD;
    int every, perio;
    int y1, m1, d1;  // creation day when approved on 2025-05-10
    int y2, m2, d2;  // after a restart on 2031-08-20
  };
  const Case cases[] = {
      {u"days", 2025, 5, 1, 3, 1, 2025, 5, 12, 2031, 8, 21},
      {u"begday two days ahead", 2025, 5, 12, 5, 1, 2025, 5, 11, 2031, 8, 23},
      {u"begday one day ahead", 2025, 5, 11, 5, 1, 2025, 5, 15, 2031, 8, 22},
      {u"weeks", 2025, 5, 3, 1, 2, 2025, 5, 16, 2031, 8, 22},
      {u"fortnights", 2025, 4, 26, 2, 2, 2025, 5, 23, 2031, 8, 22},
      {u"months from 31 January", 2025, 1, 31, 1, 3, 2025, 5, 27, 2031, 8, 27},
      {u"months over 29 February", 2024, 1, 31, 1, 3, 2025, 5, 27, 2031, 8, 27},
      {u"twelve months from 29 February", 2024, 2, 29, 12, 3, 2026, 2, 27, 2032, 2, 27},
      {u"quarters over the year's end", 2024, 11, 30, 3, 3, 2025, 5, 27, 2031, 8, 27},
      {u"years from 29 February", 2020, 2, 29, 1, 4, 2026, 2, 28, 2032, 2, 29},
      {u"years whatever every holds", 2024, 3, 10, 3, 4, 2026, 3, 9, 2032, 3, 9},
      {u"a year landing two days ahead", 2024, 5, 12, 1, 4, 2025, 5, 11, 2032, 5, 11},
      {u"weeks since 1900", 1900, 1, 1, 1, 2, 2025, 5, 11, 2031, 8, 24},
      {u"months since 1900", 1900, 1, 31, 1, 3, 2025, 5, 27, 2031, 8, 27},
      {u"years since 1900", 1900, 3, 10, 1, 4, 2026, 3, 9, 2032, 3, 9},
  };
  const int count = static_cast<int>(std::size(cases));
  {
    ServerProcess server(dir, {{"TAV_NOW", "2025-05-10 08:00:00"}});
    Client c(dir.port());
    startSession(c, u"boss");
    ASSERT_EQ(c.call(u"COLADD", collection(u"泵组")).substr(0, 10), u"IGOTIT1001");
    for (int i = 0; i < count; ++i) {
      const Case& k = cases[i];
      Plan p{u"计划" + text(i)};
      p.begday = day(k.begY, k.begM, k.begD);
      p.every = text(k.every);
      p.perio = text(k.perio);
      ASSERT_EQ(c.call(u"PRENEW", p.fields()).substr(0, 10), u"IGOTIT" + text(1001 + i));
      ASSERT_EQ(c.call(u"PWOAPP", {text(1001 + i)}).substr(0, 6), u"IGOTIT");
    }
  }
  for (int i = 0; i < count; ++i)
    EXPECT_EQ(pwo("autocreate", 1001 + i), std::to_string(tav::dayFromCivil(cases[i].y1, cases[i].m1, cases[i].d1)))
        << utf8(cases[i].what);

  {
    // A login is served by the main loop, so the start-up pass is over.
    ServerProcess restarted(dir, {{"TAV_NOW", "2031-08-20 08:00:00"}});
    Client c(dir.port());
    ASSERT_EQ(c.login(u"boss", u"pw"), u"ACCEPTED");
  }
  for (int i = 0; i < count; ++i)
    EXPECT_EQ(pwo("autocreate", 1001 + i), std::to_string(tav::dayFromCivil(cases[i].y2, cases[i].m2, cases[i].d2)))
        << utf8(cases[i].what) << " after the restart";
}
