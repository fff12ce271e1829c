// The equipment register over the wire: adding and altering equipment, the
// location rule, scrapping, the rights test and the list of locations.
#include <gtest/gtest.h>

#include <set>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const tavtest::Env Clock = {{"TAV_NOW", "2031-02-03 04:05:06"}};
const std::u16string Today = tav::fromUtf8(std::to_string(tav::dayFromCivil(2031, 2, 3)));



struct Equ {
  Equ(std::u16string name, std::u16string locate, std::u16string imp = u"1", std::u16string use = u"1",
      std::u16string bought = u"45000", std::u16string useless = u"", std::u16string parameter = u"p",
      std::u16string madeby = u"m", std::u16string memo = u"")
      : name(std::move(name)), locate(std::move(locate)), imp(std::move(imp)), use(std::move(use)),
        bought(std::move(bought)), useless(std::move(useless)), parameter(std::move(parameter)),
        madeby(std::move(madeby)), memo(std::move(memo)) {}
  std::u16string name, locate, imp, use, bought, useless, parameter, madeby, memo;
  std::vector<std::u16string> fields() const { return {name, locate, imp, use, bought, useless, parameter, madeby, memo}; }
  std::vector<std::u16string> alter(const std::u16string& id) const {
    std::vector<std::u16string> f = fields();
    f.insert(f.begin(), id);
    return f;
  }
};

// The stored row as a search sends it, or nothing when there is none.
std::vector<std::u16string> row(Client& c, const std::u16string& id) {
  auto recs = records(c.callList(u"QUICKYASSET", {u"equip_id", id}));
  return recs.size() == 1 ? recs[0] : std::vector<std::u16string>{};
}

class Equipment : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "keeper", 8);
    addUser(dir, "viewer", 1 + 2 + 4 + 16 + 32);
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Equipment, AddStoresEveryFieldAndGuardsTheLocation) {
  ServerProcess server(dir, Clock);
  Client c(dir.port());
  startSession(c, u"keeper");

  Equ pump{u"冷却泵 1", u"Line-A/01", u"2", u"1", u"45000", u"", u"5kW", u"ACME", u"备注"};
  ASSERT_EQ(c.call(u"EQUADD", pump.fields()), u"IGOTIT");
  auto found = records(c.callList(u"QUICKYASSET", {u"equip_name", u"冷却泵"}));
  ASSERT_EQ(found.size(), 1u);
  ASSERT_EQ(found[0].size(), 10u);
  EXPECT_GE(std::stol(utf8(found[0][0])), 10001) << "new numbers stay clear of the collection pool";
  EXPECT_EQ(found[0], (std::vector<std::u16string>{found[0][0], u"冷却泵 1", u"Line-A/01", u"45000", u"2", u"ACME",
                                                    u"5kW", u"1", u"", u"备注"}));

  // A location held already, whatever the letter case, stores nothing.
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"other", u"line-a/01"}.fields()), u"WLOCAT");
  // Rows without a location never collide.
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"free 1", u""}.fields()), u"IGOTIT");
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"free 2", u""}.fields()), u"IGOTIT");
  // The scrap day: today when left empty, written only with the scrapped state.
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"scrap today", u"S-1", u"1", u"4", u"45000", u""}.fields()), u"IGOTIT");
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"scrap given", u"S-2", u"1", u"4", u"45000", u"45123"}.fields()), u"IGOTIT");
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"in use", u"S-3", u"1", u"1", u"45000", u"45123"}.fields()), u"IGOTIT");
  // Separators that would break later list replies are dropped.
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"a\u0017b\u0019c", u"S-4"}.fields()), u"IGOTIT");

  // Refused before anything is stored: a number beyond 32 bits, a short request.
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"huge", u"H-1", u"4294967298"}.fields()), u"UNKNOWNS");
  EXPECT_EQ(c.call(u"EQUADD", Equ{u"huge", u"H-2", u"1", u"1", u"99999999999"}.fields()), u"UNKNOWNS");
  auto shortReq = Equ{u"short", u"H-3"}.fields();
  shortReq.pop_back();
  EXPECT_EQ(c.call(u"EQUADD", shortReq), u"UNKNOWNS");

  auto all = records(c.callList(u"QUICKYASSET"));
  ASSERT_EQ(all.size(), 7u);
  std::set<std::u16string> ids;
  for (const auto& r : all) ids.insert(r[0]);
  EXPECT_EQ(ids.size(), 7u) << "every row has its own number";
  auto byName = [&](std::u16string_view name) {
    for (const auto& r : all)
      if (r[1] == name) return r;
    return std::vector<std::u16string>(10);
  };
  EXPECT_EQ(byName(u"scrap today")[8], Today);
  EXPECT_EQ(byName(u"scrap given")[8], u"45123");
  EXPECT_EQ(byName(u"in use")[8], u"");
  EXPECT_EQ(byName(u"abc")[2], u"S-4");
  server.stop();
  EXPECT_EQ(dir.query("TAVequipment.mdb", "SELECT count(*) FROM equipment WHERE equip_locate IS NULL"), "2");
}

TEST_F(Equipment, AlterFindsTheRowAndKeepsTheRulesOfTheRegister) {
  dir.sql("TAVequipment.mdb",
          "INSERT INTO equipment(equip_id, equip_name, equip_locate, buied_date, equip_imp, madeby, Parameter, "
          "equip_use, uselessday, Memo) VALUES"
          "(10001, 'pump', 'A-01', 45000, 1, 'm', 'p', 1, NULL, ''),"
          "(10002, 'fan', 'B-02', 45000, 1, 'm', 'p', 1, 44000, ''),"
          "(10003, 'old', 'C-03', 45000, 1, 'm', 'p', 4, 44500, '');"
          // A second unique key, so the store can refuse a change for a
          // reason other than the location.
          "CREATE UNIQUE INDEX equipment_name_test ON equipment(equip_name);");
  ServerProcess server(dir, Clock);
  Client c(dir.port());
  startSession(c, u"keeper");

  struct Step {
    const char* what;
    std::u16string id;
    Equ change;
    std::u16string reply;
  } steps[] = {
      {"own location in another case", u"10001", Equ{u"pump", u"a-01"}, u"IGOTIT"},
      {"location of another row", u"10001", Equ{u"pump 2", u"b-02"}, u"WLOCAT"},
      {"other key refused by the store", u"10001", Equ{u"fan", u"A-09"}, u"UWRONG"},
      {"unknown number", u"99999", Equ{u"x", u""}, u"NOTHIS"},
      {"number beyond 32 bits", u"4294977297", Equ{u"x", u""}, u"NOTHIS"},
      {"scrapped, even when un-scrapping", u"10003", Equ{u"old", u"C-03", u"1", u"1"}, u"USELES"},
      {"other state keeps the scrap day", u"10002", Equ{u"fan", u"B-02", u"1", u"2", u"45000", u"45000"}, u"IGOTIT"},
  };
  for (const auto& s : steps) EXPECT_EQ(c.call(u"EQUALT", s.change.alter(s.id)), s.reply) << s.what;

  auto pump = row(c, u"10001");
  ASSERT_EQ(pump.size(), 10u);
  EXPECT_EQ(pump[1], u"pump");
  EXPECT_EQ(pump[2], u"a-01") << "refused changes left the row as the first change made it";
  EXPECT_EQ(row(c, u"10003"), (std::vector<std::u16string>{u"10003", u"old", u"C-03", u"45000", u"1", u"m", u"p",
                                                            u"4", u"44500", u""}));
  EXPECT_EQ(row(c, u"10002")[7], u"2");
  EXPECT_EQ(row(c, u"10002")[8], u"44000");

  // Scrapping: the day given, or today; the row is frozen afterwards.
  EXPECT_EQ(c.call(u"EQUALT", Equ{u"fan", u"B-02", u"3", u"4", u"45000", u""}.alter(u"10002")), u"IGOTIT");
  EXPECT_EQ(row(c, u"10002")[8], Today);
  EXPECT_EQ(c.call(u"EQUALT", Equ{u"fan", u"B-02", u"3", u"1"}.alter(u"10002")), u"USELES");
  EXPECT_EQ(c.call(u"EQUALT", Equ{u"pump", u"", u"9", u"4", u"45001", u"45555", u"q", u"n", u"x"}.alter(u"10001")),
            u"IGOTIT");
  EXPECT_EQ(row(c, u"10001"), (std::vector<std::u16string>{u"10001", u"pump", u"", u"45001", u"9", u"n", u"q", u"4",
                                                            u"45555", u"x"}));

  auto shortReq = Equ{u"pump", u""}.alter(u"10001");
  shortReq.pop_back();
  EXPECT_EQ(c.call(u"EQUALT", shortReq), u"UNKNOWNS");
}

TEST_F(Equipment, WithoutTheRightNothingIsReadOrWritten) {
  dir.sql("TAVequipment.mdb", "INSERT INTO equipment(equip_id, equip_name, equip_locate, equip_use) VALUES(10001, 'pump', 'A', 1)");
  ServerProcess server(dir);
  Client viewer(dir.port());
  startSession(viewer, u"viewer");
  EXPECT_EQ(viewer.call(u"EQUADD", Equ{u"x", u"B"}.fields()), u"WROPOW");
  EXPECT_EQ(viewer.call(u"EQUALT", Equ{u"x", u"B"}.alter(u"10001")), u"WROPOW");
  EXPECT_EQ(viewer.call(u"EQUALT", Equ{u"x", u"B"}.alter(u"55555")), u"WROPOW") << "even for an unknown number";
  // Rights arrive with the start-of-session reply, not with the login.
  Client early(dir.port());
  ASSERT_EQ(early.login(u"keeper", u"pw"), u"ACCEPTED");
  EXPECT_EQ(early.call(u"EQUADD", Equ{u"x", u"B"}.fields()), u"WROPOW");
  EXPECT_EQ(records(viewer.callList(u"QUICKYASSET")),
            (std::vector<std::vector<std::u16string>>{{u"10001", u"pump", u"A", u"", u"", u"", u"", u"1", u"", u""}}));
}

TEST_F(Equipment, AllLocationsListsEveryRowWithItsName) {
  {
    ServerProcess server(dir);
    Client c(dir.port());
    startSession(c, u"viewer");
    ASSERT_TRUE(c.request(u"ALLCOL"));
    EXPECT_EQ(c.readList(), std::string(tav::MsgEnd)) << "an empty register is the terminator alone";
  }
  dir.sql("TAVequipment.mdb",
          "INSERT INTO equipment(equip_id, equip_name, equip_locate) VALUES"
          "(10001, '冷却泵', 'A-01'), (10002, 'fan', NULL), (10003, NULL, 'C')");
  ServerProcess server(dir);
  Client c(dir.port());
  startSession(c, u"viewer");
  EXPECT_EQ(records(c.callList(u"ALLCOL")),
            (std::vector<std::vector<std::u16string>>{{u"A-01", u"冷却泵"}, {u"", u"fan"}, {u"C", u""}}));
}
