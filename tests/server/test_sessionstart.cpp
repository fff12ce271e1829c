// Start-of-session replies: the byte layout of the user client's grade
// reply, the rights words it sets for the session, and the constants reply.
#include <gtest/gtest.h>

#include <string>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const std::u16string FS(1, tav::FieldSep), RS(1, tav::RecordSep);
const int32_t Today = tav::dayFromCivil(2030, 1, 2);
const Env TestClock{{"TAV_NOW", "2030-01-02 10:00:00"}};

void addUser(ServerDir& dir, const std::string& id, long long right, long long type,
             const std::string& name = "") {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, Right, Type, canceled) VALUES('" + id +
                              "', '" + tav::toUtf8(tav::encodePswd(u"pw")) + "', '" + (name.empty() ? id : name) +
                              "', " + std::to_string(right) + ", " + std::to_string(type) + ", 0)");
}


// One code table of the constants file as the replies must carry it,
// read straight from the file the server loaded.
std::u16string codeSection(ServerDir& dir, const std::string& table, const std::string& fields) {
  return tav::fromUtf8(dir.query("TAVconst.mdb", "SELECT group_concat(" + fields + ", '') FROM (SELECT * FROM " +
                                                     table + " ORDER BY rowid)")) +
         RS;
}

std::u16string constantSections(ServerDir& dir) {
  const std::string pair = "CAST(%1 AS TEXT) || char(24) || %2 || char(24)";
  auto pairOf = [&](const std::string& a, const std::string& b) {
    std::string s = pair;
    s.replace(s.find("%1"), 2, a);
    s.replace(s.find("%2"), 2, b);
    return s;
  };
  std::u16string out = codeSection(dir, "rights", pairOf("right_id", "right_name"));
  out += codeSection(dir, "status", pairOf("right_id", "right_name"));
  out += codeSection(dir, "special", pairOf("type_id", "type_name"));
  out += codeSection(dir, "rightscribe",
                     "Fields || char(24) || states || char(24) || powers || char(24) || tostas || char(24)");
  out += codeSection(dir, "type", pairOf("type_id", "type_name"));
  std::string manage;
  for (const char* f : {"equright", "spare", "donesta", "donesta2", "arrsta", "scrapuse", "reportright",
                        "colright", "newwo", "pworight"})
    manage += std::string(manage.empty() ? "" : " || ") + f + " || char(24)";
  out += tav::fromUtf8(dir.query("TAVconst.mdb", "SELECT " + manage + " FROM manage ORDER BY rowid LIMIT 1")) + RS;
  return out;
}

std::u16string header(const std::u16string& name, const std::string& own, const std::string& lent,
                      const std::string& trades) {
  return name + FS + tav::fromUtf8(own) + FS + tav::fromUtf8(lent) + FS + tav::fromUtf8(trades) + FS + RS;
}

}  // namespace

TEST(SessionStart, GradeReplyLayout) {
  ServerDir dir;
  addUser(dir, "gu", -2147483643LL, 3, "测试员");  // bit 31 with bits 1 and 4
  // Slot 2 saved; its texts hold field separators of their own.
  dir.sql("TAVusers.mdb",
          "UPDATE users SET sears2='(' || char(24) || '3' || char(24) || '0' || char(24) || '甲' || char(24) || "
          "char(24) || 'T' || char(24), sorts2='1' || char(24) || 'True' || char(24), sname2='二号' "
          "WHERE user_id='gu'");
  // Lent rights: two live grants whose bits overlap (Or, not sum), one not
  // begun, one free record naming the user.
  addGrant(dir, 1, "other", 8, "GU", 0, Today - 1, 0);
  addGrant(dir, 2, "other", 8 | 64, "gu", 1, Today - 1, Today);
  addGrant(dir, 3, "other", 256, "gu", 0, Today + 1, 0);
  addGrant(dir, 4, "", 512, "gu", 0, Today - 1, 0);
  // A user who bears an administrator's ID is not that administrator.
  addUser(dir, "admino", 8, 1);
  dir.sql("TAVusers.mdb", "UPDATE users SET sears1='x', sorts1='y', sname1='z' WHERE user_id='admino'");
  const std::u16string constants = constantSections(dir);
  ASSERT_GT(constants.size(), 100u);  // the default constants are there

  ServerProcess server(dir, TestClock);
  Client c(dir.port());
  ASSERT_EQ(c.login(u"gu", u"pw"), u"ACCEPTED");
  const std::u16string slot2 = u"(" + FS + u"3" + FS + u"0" + FS + u"甲" + FS + FS + u"T" + FS + RS + u"1" + FS +
                               u"True" + FS + RS + u"二号" + RS;
  EXPECT_EQ(c.callList(u"MYGRAD"),
            header(u"测试员", "-2147483643", "72", "3") + constants + RS + RS + RS + slot2 + RS + RS + RS + RS + RS + RS);

  Client a(dir.port());
  ASSERT_EQ(a.loginAdmin(), u"ACCEPTED");
  EXPECT_EQ(a.callList(u"MYGRAD"), header(u"管理员甲", "0", "0", "0") + constants + std::u16string(12, tav::RecordSep));
}

TEST(SessionStart, EmptyCodeTableAndConstantsReply) {
  ServerDir dir;
  addUser(dir, "gu", 1, 0);
  dir.sql("TAVconst.mdb", "DELETE FROM special");
  const std::u16string rights =
      codeSection(dir, "rights", "CAST(right_id AS TEXT) || char(24) || right_name || char(24)");
  ServerProcess server(dir, TestClock);

  Client a(dir.port());
  ASSERT_EQ(a.loginAdmin(), u"ACCEPTED");
  EXPECT_EQ(a.callList(u"ALLGAT"), rights + RS);
  EXPECT_NE(rights.find(u"设备登记"), std::u16string::npos);

  Client c(dir.port());
  ASSERT_EQ(c.login(u"gu", u"pw"), u"ACCEPTED");
  const std::u16string grade = c.callList(u"MYGRAD");
  // Sections: header, rights, statuses, trades (empty here), ...
  std::size_t at = 0;
  for (int i = 0; i < 3; ++i) at = grade.find(tav::RecordSep, at) + 1;
  EXPECT_EQ(grade[at], tav::RecordSep) << utf8(grade);
  // A user who never saved a search ends with twelve record separators.
  EXPECT_EQ(grade.substr(grade.size() - 14), FS + std::u16string(13, tav::RecordSep));
}

// The rights words are empty from login until the grade reply sets them,
// and then hold own and lent rights for the guarded commands.
TEST(SessionStart, RightsWordsGuardLaterCommands) {
  ServerDir dir;
  addUser(dir, "own", 16, 0);
  addUser(dir, "lent", 1, 0);
  addUser(dir, "early", 1, 0);
  addGrant(dir, 1, "own", 16, "LENT", 0, Today, 0);
  addGrant(dir, 2, "own", 16, "early", 0, Today + 1, 0);
  ServerProcess server(dir, TestClock);

  // Deleting an unknown collection needs the collections right: without it
  // "WROPOW", with it "NOTHIS".
  const std::vector<std::u16string> unknown{u"1500"};
  for (const char16_t* id : {u"own", u"lent", u"early"}) {
    Client c(dir.port());
    ASSERT_EQ(c.login(id, u"pw"), u"ACCEPTED");
    EXPECT_EQ(c.call(u"COLDEL", unknown), u"WROPOW") << utf8(id);
    c.callList(u"MYGRAD");
    EXPECT_EQ(c.call(u"COLDEL", unknown), std::u16string(id) == u"early" ? u"WROPOW" : u"NOTHIS") << utf8(id);
    ASSERT_TRUE(c.request(u"CLOSE!"));
    EXPECT_TRUE(c.waitClosed());
  }
}
