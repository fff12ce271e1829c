// The connection table: ten slots, the eleventh connection, reuse of freed
// slots and the expiry of idle sessions.
#include <gtest/gtest.h>

#include <memory>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

void addUsers(ServerDir& dir, int count) {
  std::string sql;
  for (int i = 1; i <= count; ++i)
    sql += "INSERT INTO users(user_id, Password, user_name, canceled) VALUES('u" + std::to_string(i) + "', '" +
           tav::toUtf8(tav::encodePswd(u"pw")) + "', '用户" + std::to_string(i) + "', 0);";
  dir.sql("TAVusers.mdb", sql);
}

std::u16string uid(int i) { return tav::fromUtf8("u" + std::to_string(i)); }

// The "SHOWLB" lines after the start line.
std::vector<std::u16string> slotLines(Client& admin) {
  std::u16string t = admin.callList(u"SHOWLB");
  std::vector<std::u16string> lines;
  std::size_t pos = 0;
  for (;;) {
    std::size_t e = t.find(u"\r\n", pos);
    lines.push_back(t.substr(pos, e == std::u16string::npos ? std::u16string::npos : e - pos));
    if (e == std::u16string::npos) break;
    pos = e + 2;
  }
  return lines;
}

}  // namespace

TEST(Sessions, EleventhConnectionAndSlotReuse) {
  ServerDir dir;
  addUsers(dir, 12);
  ServerProcess server(dir);

  auto admin = std::make_unique<Client>(dir.port());
  ASSERT_EQ(admin->loginAdmin(), u"ACCEPTED");  // slot 1
  std::vector<std::unique_ptr<Client>> users;
  for (int i = 1; i <= 9; ++i) {
    users.push_back(std::make_unique<Client>(dir.port()));
    ASSERT_EQ(users.back()->login(uid(i), u"pw"), u"ACCEPTED") << i;
  }
  {
    Client extra(dir.port());
    // The eleventh connection is told so and closed.
    std::u16string got = tav::fromUtf16le(extra.readToEnd());
    ASSERT_EQ(got.substr(0, 8), u"FULLUSES");
    // The names of the ten slots, joined by commas, no comma at the end.
    std::u16string names = got.substr(8);
    int commas = 0;
    for (char16_t ch : names) commas += ch == u',';
    EXPECT_EQ(commas, 9);
    EXPECT_NE(names.find(u"用户1,用户2,"), std::u16string::npos);
    EXPECT_NE(names.back(), u',');
    EXPECT_TRUE(extra.waitClosed());
  }
  // Slot 3 (user 2) leaves; the next login takes slot 3, not a higher one.
  users[1]->request(u"CLOSE!");
  ASSERT_TRUE(users[1]->waitClosed());
  Client next(dir.port());
  ASSERT_EQ(next.login(uid(10), u"pw"), u"ACCEPTED");
  auto lines = slotLines(*admin);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0].substr(0, 18), u"Server started at ");
  EXPECT_EQ(lines[1], u"1: admino");
  EXPECT_EQ(lines[3], u"3: u10");
  EXPECT_EQ(lines[10], u"10: u9");
}

TEST(Sessions, IdleSessionIsClosedAndLogged) {
  ServerDir dir;
  addUsers(dir, 1);
  ServerProcess server(dir, {{"TAV_SESSION_SECONDS", "2"}});
  Client user(dir.port());
  ASSERT_EQ(user.login(u"u1", u"pw"), u"ACCEPTED");
  std::string pushed = user.readExactly(12, 10);
  EXPECT_EQ(tav::fromUtf16le(pushed), u"CLOSE!");
  EXPECT_TRUE(user.waitClosed());

  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  ASSERT_TRUE(admin.request(u"SHOWTX"));
  std::string header = admin.readExactly(8);
  ASSERT_EQ(header.size(), 8u);
  std::size_t len = std::stoul(tav::toUtf8(tav::fromUtf16le(header)), nullptr, 16);
  std::u16string log = tav::fromUtf16le(admin.readExactly(len));
  EXPECT_NE(log.find(u"u1(user) Drop(1)   "), std::u16string::npos) << utf8(log);
  EXPECT_NE(log.find(u"u1(user) Link(1)   "), std::u16string::npos);
}
