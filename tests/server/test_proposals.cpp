// Administrator proposals and their approval: filing, lists, answers by the
// two other administrators, the changes they carry out, and lapsed proposals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

void addUser(ServerDir& dir, const std::string& id, const std::u16string& pw, const std::string& name, int right,
             int type, int canceled = 0) {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, \"Right\", Type, canceled) VALUES('" + id +
                              "', '" + tav::toUtf8(tav::encodePswd(pw)) + "', '" + name + "', " +
                              std::to_string(right) + ", " + std::to_string(type) + ", " +
                              std::to_string(canceled) + ")");
}

void addGrant(ServerDir& dir, int number, const std::string& granter, int right, const std::string& receiver) {
  dir.sql("TAVusers.mdb",
          "INSERT INTO impower(autonum, user_id, user_name, right_id, to_user_id, to_user_name, to_user_cancel, "
          "usedate, uselessdate) VALUES(" +
              std::to_string(number) + ", '" + granter + "', 'x', " + std::to_string(right) + ", '" + receiver +
              "', 'y', 0, 1, 0)");
}

// The three administrators, each in a session of his own.
struct Admins {
  explicit Admins(int port) : a(port), b(port), c(port) {
    // Waiting proposals may add "CHANGEMS"; that is looked at elsewhere.
    EXPECT_EQ(a.loginAdmin(u"admino").substr(0, 8), u"ACCEPTED");
    EXPECT_EQ(b.loginAdmin(u"adminm").substr(0, 8), u"ACCEPTED");
    EXPECT_EQ(c.loginAdmin(u"admint").substr(0, 8), u"ACCEPTED");
  }
  Client a, b, c;  // admino (管理员甲), adminm (管理员乙), admint (管理员丙)
};

// An answer's body: the word, the number, a separator, the attitude.
std::u16string answerText(const std::u16string& word, const std::u16string& number, char16_t attitude) {
  return word + number + tav::FieldSep + attitude;
}

std::u16string answer(Client& k, const std::u16string& word, const std::u16string& number, char16_t attitude) {
  return k.call(answerText(word, number, attitude));
}

// The live proposals of a list command.
std::vector<std::vector<std::u16string>> live(Client& k, const std::u16string& word) {
  return records(k.callList(word));
}

class Proposals : public ::testing::Test {
 protected:
  void SetUp() override { addUser(dir, "zhang", u"zpw", "张工", 7, 1); }
  std::string users(const std::string& col, const std::string& id) {
    return dir.query("TAVusers.mdb", "SELECT " + col + " FROM users WHERE user_id='" + id + "'");
  }
  std::string grant(int number) {
    return dir.query("TAVusers.mdb", "SELECT ifnull(user_id,'<free>') || ':' || right_id FROM impower WHERE autonum=" +
                                         std::to_string(number));
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Proposals, UserSessionIsRefusedEverything) {
  // A half-approved new user: an agreement by the user's session would
  // otherwise create the account.
  dir.sql("TAVusers.mdb",
          "INSERT INTO newuserequ(autonum, admini, adminn, dayed, user_id, ouname, Password, rights, types, passed, "
          "passname) VALUES(1, 'admino', 'A', 2000000, 'sneak', 'S', 'p', 1, 1, 'adminm', 'B')");
  ServerProcess server(dir);
  Client user(dir.port());
  ASSERT_EQ(user.login(u"zhang", u"zpw"), u"ACCEPTED");
  const std::pair<std::u16string, std::vector<std::u16string>> requests[] = {
      {u"ADDUSE", {u"new1", u"N", u"p", u"1", u"1"}},
      {u"USESET", {u"zhang", u"张工", u"7", u"1", u"0", u"张工", u"", u"127", u"1", u"0"}},
      {u"MYNAME新名字", {}},
      {u"LISUNU", {}},
      {u"FRMSGU", {}},
      {u"SUNAME", {}},
      {answerText(u"SUNUOK", u"1", u'c'), {}},
      {answerText(u"SUUSOK", u"1", u'c'), {}},
      {answerText(u"SUNAOK", u"1", u'c'), {}},
  };
  for (const auto& [word, fields] : requests) EXPECT_EQ(user.call(word, fields), u"WROPOW") << utf8(word);
  server.stop();
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM users"), "1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT admini FROM newuserequ"), "admino");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM changerequ") +
                dir.query("TAVusers.mdb", "SELECT count(*) FROM mananame"),
            "00");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT sum(newstitu) FROM admins"), "0");
}

TEST_F(Proposals, NewUserNeedsTwoOtherAgreements) {
  {
    ServerProcess server(dir);
    Admins ad(dir.port());
    EXPECT_EQ(ad.a.call(u"ADDUSE", {u"ZHANG", u"重名", u"p", u"1", u"1"}), u"LEITON张工");
    EXPECT_EQ(ad.a.call(u"ADDUSE", {u"newbie", u"新人", u"np123", u"5", u"3"}), u"IGOTIT");

    auto list = live(ad.b, u"LISUNU");
    ASSERT_EQ(list.size(), 1u);
    const std::u16string no = list[0][0];
    EXPECT_EQ(list[0], (std::vector<std::u16string>{no, u"admino", u"管理员甲", u"newbie", u"新人", u"np123", u"5",
                                                     u"3", u"", u""}));

    EXPECT_EQ(answer(ad.a, u"SUNUOK", no, u'c'), u"NORECO");  // the initiator
    EXPECT_EQ(answer(ad.b, u"SUNUOK", no, u'c'), u"IGOTIT");
    list = live(ad.a, u"LISUNU");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0][8], u"adminm");
    EXPECT_EQ(list[0][9], u"管理员乙");
    EXPECT_EQ(answer(ad.b, u"SUNUOK", no, u'c'), u"TWICES");
    EXPECT_EQ(answer(ad.b, u"SUNUOK", no, u'd'), u"TWICES");
    EXPECT_EQ(answer(ad.a, u"SUNUOK", no, u'c'), u"NORECO");

    Client early(dir.port());
    EXPECT_EQ(early.login(u"newbie", u"np123"), u"WRONGUSER");

    EXPECT_EQ(answer(ad.c, u"SUNUOK", no, u'c'), u"IGOTIT");
    EXPECT_TRUE(live(ad.a, u"LISUNU").empty());
    EXPECT_EQ(answer(ad.c, u"SUNUOK", no, u'c'), u"NORECO");  // closed

    Client user(dir.port());
    EXPECT_EQ(user.login(u"NEWBIE", u"np123"), u"ACCEPTED");

    // The proposal told the two others, not its initiator.
    Client a2(dir.port()), b2(dir.port()), c2(dir.port());
    EXPECT_EQ(a2.loginAdmin(u"admino"), u"ACCEPTED");
    EXPECT_EQ(b2.loginAdmin(u"adminm"), u"ACCEPTEDCHANGEMS");
    EXPECT_EQ(c2.loginAdmin(u"admint"), u"ACCEPTEDCHANGEMS");
  }
  EXPECT_EQ(users("user_name || '/' || \"Right\" || '/' || Type || '/' || canceled", "newbie"), "新人/5/3/0");
  // The approver's name stays in the closed record.
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT ifnull(admini,'-') || passed || passname FROM newuserequ"),
            "-adminm管理员乙");
}

TEST_F(Proposals, AnyRefusalClosesTheProposal) {
  ServerProcess server(dir);
  Admins ad(dir.port());
  struct Case {
    const char* what;
    std::vector<std::pair<Client*, char16_t>> answers;  // all answered "IGOTIT"
  };
  const Case cases[] = {
      {"first answer refuses", {{&ad.b, u'd'}}},
      {"second answer refuses", {{&ad.c, u'c'}, {&ad.b, u'x'}}},
      {"an upper-case C refuses", {{&ad.b, u'c'}, {&ad.c, u'C'}}},
  };
  int k = 0;
  for (const Case& c : cases) {
    const std::u16string id = u"ref" + tav::fromUtf8(std::to_string(k++));
    ASSERT_EQ(ad.a.call(u"ADDUSE", {id, u"R", u"p", u"1", u"1"}), u"IGOTIT") << c.what;
    auto list = live(ad.a, u"LISUNU");
    ASSERT_EQ(list.size(), 1u) << c.what;
    const std::u16string no = list[0][0];
    for (auto [who, attitude] : c.answers) EXPECT_EQ(answer(*who, u"SUNUOK", no, attitude), u"IGOTIT") << c.what;
    EXPECT_TRUE(live(ad.a, u"LISUNU").empty()) << c.what;
    // Nobody can bring it back.
    EXPECT_EQ(answer(ad.b, u"SUNUOK", no, u'c'), u"NORECO") << c.what;
    EXPECT_EQ(answer(ad.c, u"SUNUOK", no, u'c'), u"NORECO") << c.what;
    Client user(dir.port());
    EXPECT_EQ(user.login(id, u"p"), u"WRONGUSER") << c.what;
  }
}

TEST_F(Proposals, ReusedRecordKeepsNothingOfTheOldProposal) {
  {
    ServerProcess server(dir);
    Admins ad(dir.port());
    ASSERT_EQ(ad.a.call(u"ADDUSE", {u"old", u"旧", u"p", u"1", u"1"}), u"IGOTIT");
    const std::u16string first = live(ad.a, u"LISUNU").at(0).at(0);
    ASSERT_EQ(answer(ad.b, u"SUNUOK", first, u'c'), u"IGOTIT");
    ASSERT_EQ(answer(ad.c, u"SUNUOK", first, u'd'), u"IGOTIT");

    ASSERT_EQ(ad.c.call(u"ADDUSE", {u"fresh", u"新", u"q", u"2", u"2"}), u"IGOTIT");
    auto list = live(ad.b, u"LISUNU");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_GT(std::stoi(utf8(list[0][0])), std::stoi(utf8(first)));
    EXPECT_EQ(list[0], (std::vector<std::u16string>{list[0][0], u"admint", u"管理员丙", u"fresh", u"新", u"q", u"2",
                                                     u"2", u"", u""}));
    // The old number names nothing any more.
    EXPECT_EQ(answer(ad.b, u"SUNUOK", first, u'c'), u"NORECO");
  }
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM newuserequ"), "1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM newuserequ WHERE passed IS NULL AND passname IS NULL"),
            "1");
}

TEST_F(Proposals, NewUserWhoseIdWasTakenMeanwhile) {
  ServerProcess server(dir);
  Admins ad(dir.port());
  // Pending proposals are not searched: two may name the same new ID.
  ASSERT_EQ(ad.a.call(u"ADDUSE", {u"later", u"先", u"first", u"1", u"1"}), u"IGOTIT");
  ASSERT_EQ(ad.b.call(u"ADDUSE", {u"LATER", u"后", u"second", u"1", u"1"}), u"IGOTIT");
  auto list = live(ad.c, u"LISUNU");
  ASSERT_EQ(list.size(), 2u);
  const std::u16string p1 = list[0][0], p2 = list[1][0];
  ASSERT_EQ(answer(ad.c, u"SUNUOK", p2, u'c'), u"IGOTIT");
  ASSERT_EQ(answer(ad.b, u"SUNUOK", p1, u'c'), u"IGOTIT");
  ASSERT_EQ(answer(ad.c, u"SUNUOK", p1, u'c'), u"IGOTIT");
  // The refusal stands alone: no "IGOTIT" before it.
  EXPECT_EQ(answer(ad.a, u"SUNUOK", p2, u'c'), u"EXSING");
  EXPECT_TRUE(live(ad.a, u"LISUNU").empty());
  Client one(dir.port()), two(dir.port());
  EXPECT_EQ(one.login(u"later", u"second"), u"WRONGPSWD先");
  EXPECT_EQ(two.login(u"later", u"first"), u"ACCEPTED");
}

TEST_F(Proposals, UserSettingsLowerRightsAndTrimGrants) {
  addUser(dir, "li", u"lpw", "李工", 2, 1);
  addGrant(dir, 1, "ZHANG", 2, "li");  // granter in another letter case
  addGrant(dir, 2, "zhang", 6, "li");
  addGrant(dir, 3, "zhang", 1, "li");
  addGrant(dir, 4, "li", 2, "zhang");  // made to zhang: not his to lose
  {
    ServerProcess server(dir);
    Admins ad(dir.port());
    ASSERT_EQ(ad.b.call(u"USESET", {u"zhang", u"张工", u"7", u"1", u"0", u"张三", u"", u"5", u"3", u"0"}), u"IGOTIT");
    auto list = live(ad.a, u"FRMSGU");
    ASSERT_EQ(list.size(), 1u);
    const std::u16string no = list[0][0];
    EXPECT_EQ(list[0].size(), 16u);
    EXPECT_EQ(std::vector<std::u16string>(list[0].begin() + 4, list[0].end()),
              (std::vector<std::u16string>{u"zhang", u"张工", u"7", u"1", u"0", u"张三", u"", u"5", u"3", u"0", u"",
                                           u""}));
    EXPECT_EQ(list[0][1], u"adminm");
    EXPECT_EQ(answer(ad.a, u"SUUSOK", no, u'c'), u"IGOTIT");
    EXPECT_EQ(answer(ad.c, u"SUUSOK", no, u'c'), u"IGOTIT");
    Client user(dir.port());
    EXPECT_EQ(user.login(u"zhang", u"zpw"), u"ACCEPTED");  // the password stays
  }
  EXPECT_EQ(users("user_name || '/' || \"Right\" || '/' || Type || '/' || canceled", "zhang"), "张三/5/3/0");
  EXPECT_EQ(grant(1), "ZHANG:0");  // emptied, still in place
  EXPECT_EQ(grant(2), "zhang:4");
  EXPECT_EQ(grant(3), "zhang:1");
  EXPECT_EQ(grant(4), "li:2");
}

TEST_F(Proposals, UserSettingsFreezeAndFreeGrants) {
  addGrant(dir, 1, "zhang", 2, "li");
  addGrant(dir, 2, "Zhang", 1, "li");
  addGrant(dir, 3, "li", 1, "zhang");
  {
    ServerProcess server(dir);
    Admins ad(dir.port());
    // Frozen with more rights and a new password.
    ASSERT_EQ(ad.a.call(u"USESET", {u"ZHANG", u"张工", u"7", u"1", u"0", u"张工", u"newpw", u"15", u"1", u"1"}),
              u"IGOTIT");
    const std::u16string no = live(ad.a, u"FRMSGU").at(0).at(0);
    ASSERT_EQ(answer(ad.b, u"SUUSOK", no, u'c'), u"IGOTIT");
    ASSERT_EQ(answer(ad.c, u"SUUSOK", no, u'c'), u"IGOTIT");
    Client old(dir.port()), fresh(dir.port());
    EXPECT_EQ(old.login(u"zhang", u"zpw"), u"WRONGPSWD张工");
    EXPECT_EQ(fresh.login(u"zhang", u"newpw"), u"FREEZED!");
  }
  EXPECT_EQ(users("\"Right\" || '/' || canceled", "zhang"), "15/1");
  EXPECT_EQ(grant(1), "<free>:2");
  EXPECT_EQ(grant(2), "<free>:1");
  EXPECT_EQ(grant(3), "li:1");
}

TEST_F(Proposals, UserSettingsNeverOverwriteALaterChange) {
  addUser(dir, "wang", u"wpw", "王工", 1, 1);
  addGrant(dir, 1, "zhang", 4, "wang");
  ServerProcess server(dir);
  Admins ad(dir.port());
  struct Case {
    const char* what;
    std::vector<std::u16string> fields;
  };
  // Each would freeze the account; none of them matches it as it stands.
  const Case cases[] = {
      {"name changed since", {u"zhang", u"张", u"7", u"1", u"0", u"X", u"", u"0", u"0", u"1"}},
      {"rights changed since", {u"zhang", u"张工", u"3", u"1", u"0", u"X", u"", u"0", u"0", u"1"}},
      {"trades changed since", {u"zhang", u"张工", u"7", u"2", u"0", u"X", u"", u"0", u"0", u"1"}},
      {"frozen since", {u"zhang", u"张工", u"7", u"1", u"1", u"X", u"", u"0", u"0", u"1"}},
      {"no such user", {u"nobody", u"张工", u"7", u"1", u"0", u"X", u"", u"0", u"0", u"1"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ad.a.call(u"USESET", c.fields), u"IGOTIT") << c.what;
    const std::u16string no = live(ad.a, u"FRMSGU").at(0).at(0);
    ASSERT_EQ(answer(ad.b, u"SUUSOK", no, u'c'), u"IGOTIT") << c.what;
    EXPECT_EQ(answer(ad.c, u"SUUSOK", no, u'c'), u"NORECO") << c.what;
    EXPECT_TRUE(live(ad.a, u"FRMSGU").empty()) << c.what;
  }
  Client user(dir.port());
  EXPECT_EQ(user.login(u"zhang", u"zpw"), u"ACCEPTED");
  server.stop();
  EXPECT_EQ(users("user_name || '/' || \"Right\" || '/' || Type || '/' || canceled", "zhang"), "张工/7/1/0");
  EXPECT_EQ(grant(1), "zhang:4");
}

TEST_F(Proposals, HolderNameProposal) {
  {
    ServerProcess server(dir);
    Admins ad(dir.port());
    EXPECT_EQ(ad.a.call(u"MYNAME一二三四五六七八九十一"), u"TOLONG");
    {
      Client b2(dir.port());
      EXPECT_EQ(b2.loginAdmin(u"adminm"), u"ACCEPTED");  // a refusal flags nobody
    }
    EXPECT_TRUE(live(ad.b, u"SUNAME").empty());
    EXPECT_EQ(ad.a.call(u"MYNAME一二三四五六七八九十"), u"IGOTIT");
    auto list = live(ad.c, u"SUNAME");
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0].size(), 7u);
    const std::u16string no = list[0][0];
    EXPECT_EQ(list[0][1], u"admino");
    EXPECT_EQ(list[0][2], u"管理员甲");
    EXPECT_EQ(list[0][4], u"一二三四五六七八九十");
    EXPECT_EQ(list[0][5] + list[0][6], u"");
    EXPECT_EQ(answer(ad.c, u"SUNAOK", no, u'c'), u"IGOTIT");
    EXPECT_EQ(answer(ad.b, u"SUNAOK", no, u'c'), u"IGOTIT");
    EXPECT_TRUE(live(ad.c, u"SUNAME").empty());

    // The running session keeps its name; the next one carries the new one.
    ASSERT_EQ(ad.a.call(u"ADDUSE", {u"u1", u"U", u"p", u"1", u"1"}), u"IGOTIT");
    Client a2(dir.port());
    EXPECT_EQ(a2.loginAdmin(u"admino"), u"ACCEPTED");
    ASSERT_EQ(a2.call(u"ADDUSE", {u"u2", u"U", u"p", u"1", u"1"}), u"IGOTIT");
    list = live(ad.b, u"LISUNU");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0][2], u"管理员甲");
    EXPECT_EQ(list[1][2], u"一二三四五六七八九十");

    Client b3(dir.port()), c3(dir.port());
    EXPECT_EQ(b3.loginAdmin(u"adminm"), u"ACCEPTEDCHANGEMS");
    EXPECT_EQ(c3.loginAdmin(u"admint"), u"ACCEPTEDCHANGEMS");
  }
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT adName FROM admins WHERE adID='admino'"), "一二三四五六七八九十");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM mananame"), "1");
}

TEST_F(Proposals, InitiatorAndApproverKnownInAnyLetterCase) {
  // Records written with the IDs in capitals, made the day before.
  const std::string day = std::to_string(tav::dayFromCivil(2030, 1, 1) - 1);
  dir.sql("TAVusers.mdb",
          "INSERT INTO mananame(autonum, admini, user_id, dayed, ouname, passed, passname) VALUES"
          "(1, 'ADMINO', 'A', " + day + ", 'n1', NULL, NULL), (2, 'admint', 'C', " + day + ", 'n2', 'ADMINM', 'B')");
  ServerProcess server(dir, {{"TAV_NOW", "2030-01-01 10:00:00"}});
  Admins ad(dir.port());
  EXPECT_EQ(answer(ad.a, u"SUNAOK", u"1", u'c'), u"NORECO");
  EXPECT_EQ(answer(ad.a, u"SUNAOK", u"1", u'd'), u"NORECO");
  EXPECT_EQ(answer(ad.b, u"SUNAOK", u"2", u'c'), u"TWICES");
  EXPECT_EQ(live(ad.c, u"SUNAME").size(), 2u);  // nothing changed
  // The initiator's record is found ignoring case as well.
  EXPECT_EQ(answer(ad.a, u"SUNAOK", u"2", u'c'), u"IGOTIT");
  server.stop();
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT adName FROM admins WHERE adID='admint'"), "n2");
}

TEST_F(Proposals, LapsedProposalsAreNeitherListedNorApplied) {
  {
    ServerProcess server(dir, {{"TAV_NOW", "2031-05-10 09:00:00"}});
    Admins ad(dir.port());
    ASSERT_EQ(ad.a.call(u"ADDUSE", {u"slow", u"慢", u"p", u"1", u"1"}), u"IGOTIT");
    const std::u16string no = live(ad.a, u"LISUNU").at(0).at(0);
    ASSERT_EQ(answer(ad.b, u"SUNUOK", no, u'c'), u"IGOTIT");
    ASSERT_EQ(ad.a.call(u"MYNAME新人"), u"IGOTIT");
  }
  {
    // Still alive to the last minute of the next day.
    ServerProcess server(dir, {{"TAV_NOW", "2031-05-11 23:59:00"}});
    Admins ad(dir.port());
    EXPECT_EQ(live(ad.c, u"LISUNU").size(), 1u);
    EXPECT_EQ(live(ad.c, u"SUNAME").size(), 1u);
  }
  ServerProcess server(dir, {{"TAV_NOW", "2031-05-12 00:01:00"}});
  Admins ad(dir.port());
  EXPECT_TRUE(live(ad.c, u"LISUNU").empty());
  EXPECT_TRUE(live(ad.c, u"SUNAME").empty());
  EXPECT_EQ(answer(ad.c, u"SUNUOK", u"1", u'c'), u"NORECO");
  EXPECT_EQ(answer(ad.c, u"SUNAOK", u"1", u'c'), u"NORECO");
  Client user(dir.port());
  EXPECT_EQ(user.login(u"slow", u"p"), u"WRONGUSER");
  // Its record is taken by the next proposal, under a new number.
  ASSERT_EQ(ad.b.call(u"ADDUSE", {u"quick", u"快", u"p", u"1", u"1"}), u"IGOTIT");
  auto list = live(ad.c, u"LISUNU");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0][0], u"2");
  EXPECT_EQ(list[0][3], u"quick");
  server.stop();
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM newuserequ"), "1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT adName FROM admins WHERE adID='admino'"), "管理员甲");
}

TEST_F(Proposals, BadRequestsChangeNothing) {
  ServerProcess server(dir);
  Admins ad(dir.port());
  const std::u16string eleven = u"abcdefghijk";
  struct Case {
    const char* what;
    std::u16string word;
    std::vector<std::u16string> fields;
    std::u16string reply;
  };
  const Case cases[] = {
      {"new user, fields missing", u"ADDUSE", {u"x", u"X", u"p", u"1"}, u"UNKNOWNS"},
      {"new user, empty ID", u"ADDUSE", {u"", u"X", u"p", u"1", u"1"}, u"UNKNOWNS"},
      {"new user, ID of 11", u"ADDUSE", {eleven, u"X", u"p", u"1", u"1"}, u"TOLONG"},
      {"new user, name of 21", u"ADDUSE", {u"x", std::u16string(21, u'名'), u"p", u"1", u"1"}, u"TOLONG"},
      {"new user, password of 17", u"ADDUSE", {u"x", u"X", std::u16string(17, u'p'), u"1", u"1"}, u"TOLONG"},
      {"new user, rights beyond 32 bits", u"ADDUSE", {u"x", u"X", u"p", u"4294967296", u"1"}, u"TOLONG"},
      {"settings, fields missing", u"USESET", {u"zhang", u"张工", u"7", u"1", u"0", u"N", u"", u"7", u"1"}, u"UNKNOWNS"},
      {"settings, new name of 21",
       u"USESET",
       {u"zhang", u"张工", u"7", u"1", u"0", std::u16string(21, u'名'), u"", u"7", u"1", u"0"},
       u"TOLONG"},
      {"settings, frozen flag beyond 32 bits",
       u"USESET",
       {u"zhang", u"张工", u"7", u"1", u"0", u"N", u"", u"7", u"1", u"9999999999"},
       u"TOLONG"},
      {"answer without separator", u"SUNUOK1", {}, u"UNKNOWNS"},
      {"answer without attitude", u"SUUSOK1" + std::u16string(1, tav::FieldSep), {}, u"UNKNOWNS"},
      {"answer to a number nobody has", answerText(u"SUNAOK", u"77", u'c'), {}, u"NORECO"},
      {"answer to a number beyond 32 bits", answerText(u"SUNUOK", u"4294967297", u'c'), {}, u"NORECO"},
  };
  for (const Case& c : cases) EXPECT_EQ(ad.a.call(c.word, c.fields), c.reply) << c.what;
  EXPECT_TRUE(live(ad.b, u"LISUNU").empty());
  EXPECT_TRUE(live(ad.b, u"FRMSGU").empty());
  // Limits are inclusive.
  EXPECT_EQ(ad.a.call(u"ADDUSE", {u"abcdefghij", std::u16string(20, u'名'), std::u16string(16, u'p'), u"-1", u"0"}),
            u"IGOTIT");
  server.stop();
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM newuserequ"), "1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT rights FROM newuserequ"), "-1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT count(*) FROM changerequ"), "0");
}
