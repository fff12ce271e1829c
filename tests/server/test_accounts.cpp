// The user list: every account to administrators, active accounts only
// (and without the frozen flag) to users, in the table's stored order.
#include <gtest/gtest.h>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

void addUser(ServerDir& dir, const std::string& id, const std::string& name, long long right, long long type,
             int canceled) {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, Right, Type, canceled) VALUES('" + id +
                              "', '" + tav::toUtf8(tav::encodePswd(u"pw")) + "', " + name + ", " +
                              std::to_string(right) + ", " + std::to_string(type) + ", " +
                              std::to_string(canceled) + ")");
}

}  // namespace

TEST(UserList, AdministratorsSeeAllUsersSeeActive) {
  ServerDir dir;
  // Stored order is neither ID nor name order.
  addUser(dir, "zhou", "'周工'", 1 | 4, 3, 0);
  addUser(dir, "frozen", "'冻结'", 2, 1, 1);
  addUser(dir, "anon", "NULL", -2147483648LL, 0, 0);
  addUser(dir, "bai", "''", 8, 16, 0);
  ServerProcess server(dir);

  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  EXPECT_EQ(records(admin.callList(u"LISUSE")), (Rows{{u"zhou", u"周工", u"5", u"3", u"0"},
                                                      {u"frozen", u"冻结", u"2", u"1", u"1"},
                                                      {u"anon", u"", u"-2147483648", u"0", u"0"},
                                                      {u"bai", u"", u"8", u"16", u"0"}}));
  Client user(dir.port());
  ASSERT_EQ(user.login(u"ZHOU", u"pw"), u"ACCEPTED");
  EXPECT_EQ(records(user.callList(u"LISUSE")),
            (Rows{{u"zhou", u"周工", u"5", u"3"}, {u"anon", u"", u"-2147483648", u"0"}, {u"bai", u"", u"8", u"16"}}));
  // Text after the word is ignored.
  EXPECT_EQ(records(user.callList(u"LISUSE", {u"x"})).size(), 3u);
}

TEST(UserList, NoUsersIsAnEmptyList) {
  ServerDir dir;
  ServerProcess server(dir);
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  ASSERT_TRUE(admin.request(u"LISUSE"));
  EXPECT_EQ(admin.readList(), std::string(tav::MsgEnd));
}
