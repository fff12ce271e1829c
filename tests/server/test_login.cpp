// The login: greeting, record checks, accounts, lock-out, frozen accounts,
// and what each leaves in the database.
#include <gtest/gtest.h>

#include "fixture.h"
#include "protocol/login.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

void addUser(ServerDir& dir, const std::string& id, const std::u16string& pw, const std::string& name,
             int canceled = 0, int newimpw = 0) {
  dir.sql("TAVusers.mdb",
          "INSERT INTO users(user_id, Password, user_name, \"Right\", Type, canceled, times, doub, newimpw) "
          "VALUES('" + id + "', '" + tav::toUtf8(tav::encodePswd(pw)) + "', '" + name + "', 1, 3, " +
              std::to_string(canceled) + ", 0, 0, " + std::to_string(newimpw) + ")");
}

std::u16string admin(const std::u16string& name) { return std::u16string(1, tav::AdminPrefix) + name; }

class Login : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "zhang", u"pw1", "张工");
    addUser(dir, "frozen", u"pw2", "冻结", 1);
    addUser(dir, "lender", u"pw3", "有授权", 0, 1);
    addUser(dir, "tenchars10", u"pw4", "十字符");
    dir.sql("TAVusers.mdb", "UPDATE admins SET newstitu=1 WHERE adID='adminm'");
  }
  std::string users(const std::string& col, const std::string& id) {
    return dir.query("TAVusers.mdb", "SELECT " + col + " FROM users WHERE user_id='" + id + "'");
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Login, GreetingCarriesChallengeAndTestClock) {
  ServerProcess server(dir, {{"TAV_NOW", "2030-05-06 07:08:09"}});
  Client c(dir.port());
  std::string g = c.readExactly(30);
  ASSERT_EQ(g.size(), 30u);
  for (int i = 0; i < 16; ++i) {
    unsigned char ch = static_cast<unsigned char>(g[i]);
    EXPECT_GE(ch, 32);
    EXPECT_LE(ch, 127);
  }
  EXPECT_EQ(g.substr(16, 12), "203005060708");
}

TEST_F(Login, AnswerTable) {
  ServerProcess server(dir, {{"TAV_IO_SECONDS", "3"}});
  struct Case {
    const char* what;
    std::u16string id, password, tag, reply;
  };
  const Case cases[] = {
      {"administrator", admin(u"admino"), u"8526", u"supe001", u"ACCEPTED"},
      {"administrator, letters in capitals", admin(u"admint"), u"8526", u"supe001", u"ACCEPTED"},
      {"administrator with waiting proposals", admin(u"adminm"), u"8526", u"supe001", u"ACCEPTEDCHANGEMS"},
      {"user", u"zhang", u"pw1", u"user001", u"ACCEPTED"},
      {"user ID in another case", u"ZHANG", u"pw1", u"user001", u"ACCEPTED"},
      {"user with the admin tag", u"zhang", u"pw1", u"supe001", u"ACCEPTED"},
      {"user with new grants", u"lender", u"pw3", u"user001", u"ACCEPTEDHAVEIMPW"},
      {"ten-character ID", u"tenchars10", u"pw4", u"user001", u"ACCEPTED"},
      {"wrong user password", u"zhang", u"nope", u"user001", u"WRONGPSWD张工"},
      {"wrong admin password", admin(u"admino"), u"nope", u"supe001", u"WRONGPSWD"},
      {"unknown user", u"nobody", u"x", u"user001", u"WRONGUSER"},
      {"admin name without its mark", u"admino", u"8526", u"supe001", u"WRONGUSER"},
      {"frozen user", u"frozen", u"pw2", u"user001", u"FREEZED!"},
      {"unknown tag", u"zhang", u"pw1", u"user002", u"WRONGVER"},
      {"tag that is a piece of the list", u"zhang", u"pw1", u"001,sup", u"WRONGVER"},
  };
  for (const Case& k : cases) {
    Client c(dir.port());
    EXPECT_EQ(c.login(k.id, k.password, k.tag), k.reply) << k.what;
  }
  // The flags were cleared: a second login is plain.
  Client again(dir.port());
  EXPECT_EQ(again.loginAdmin(u"adminm"), u"ACCEPTED");
  Client again2(dir.port());
  EXPECT_EQ(again2.login(u"lender", u"pw3"), u"ACCEPTED");
  server.stop();
  EXPECT_EQ(users("times", "zhang"), "1");  // the wrong password counted

  ServerProcess restarted(dir);
  Client right(dir.port());
  EXPECT_EQ(right.login(u"zhang", u"pw1"), u"ACCEPTED");
  restarted.stop();

  EXPECT_EQ(users("times", "zhang"), "0");  // the right password clears the count
  EXPECT_EQ(users("times", "frozen"), "0");
  EXPECT_EQ(users("newimpw", "lender"), "0");
}

TEST_F(Login, MalformedRecordsAreRefused) {
  ServerProcess server(dir, {{"TAV_IO_SECONDS", "3"}});
  {  // An answer computed from another greeting.
    Client c(dir.port());
    std::string g = c.readExactly(30);
    std::string other = g;
    other[0] = other[0] == 'A' ? 'B' : 'A';
    auto rec = tav::buildLoginRecord(other, u"user001", u"zhang", u"pw1");
    c.sendBytes(*rec);
    EXPECT_EQ(c.readWord(8), u"WRONGVER");
    EXPECT_TRUE(c.waitClosed());
  }
  {  // A password length byte that decodes to more than 16.
    Client c(dir.port());
    std::string g = c.readExactly(30);
    auto rec = tav::buildLoginRecord(g, u"user001", u"zhang", u"pw1");
    (*rec)[130] = static_cast<char>(17 ^ tav::loginKey(g));
    c.sendBytes(*rec);
    EXPECT_EQ(c.readWord(8), u"WRONGVER");
  }
  {  // A short record: refused once the silence deadline passes.
    Client c(dir.port());
    std::string g = c.readExactly(30);
    auto rec = tav::buildLoginRecord(g, u"user001", u"zhang", u"pw1");
    c.sendBytes(rec->substr(0, 100));
    EXPECT_EQ(c.readWord(8, 10), u"WRONGVER");
    EXPECT_TRUE(c.waitClosed());
  }
  {  // A record in pieces is assembled.
    Client c(dir.port());
    std::string g = c.readExactly(30);
    auto rec = tav::buildLoginRecord(g, u"user001", u"zhang", u"pw1");
    c.sendBytes(rec->substr(0, 50));
    c.sendBytes(rec->substr(50, 50));
    c.sendBytes(rec->substr(100));
    EXPECT_EQ(c.readWord(8), u"ACCEPTED");
  }
  {  // A peer that goes away mid-record does not hold the server up.
    Client c(dir.port());
    std::string g = c.readExactly(30);
    c.sendBytes(std::string(20, 'x'));
  }
  Client after(dir.port());
  EXPECT_EQ(after.loginAdmin(), u"ACCEPTED");
}

TEST_F(Login, LockOutAndItsEnd) {
  // Locks that cannot run out while a check waits for its answer, however
  // slow the machine; where a lock is to end the test moves its end back.
  const Env longLocks{{"TAV_LOCK_SECONDS", "600"}};
  auto runOutStoredLocks = [&] {
    dir.sql("TAVusers.mdb", "UPDATE users SET doub = doub - 1 WHERE times >= 3; "
                            "UPDATE admins SET doub = doub - 1 WHERE times >= 3");
  };
  {
    ServerProcess server(dir, longLocks);
    for (int i = 0; i < 3; ++i) {
      Client c(dir.port());
      EXPECT_EQ(c.login(u"zhang", u"bad"), u"WRONGPSWD张工") << i;
    }
    {
      Client c(dir.port());
      EXPECT_EQ(c.login(u"zhang", u"pw1"), u"LOCKED");
    }
    for (int i = 0; i < 3; ++i) {
      Client c(dir.port());
      EXPECT_EQ(c.loginAdmin(u"admino", u"bad"), u"WRONGPSWD");
    }
    {
      Client c(dir.port());
      EXPECT_EQ(c.loginAdmin(), u"LOCKED");
    }
  }
  EXPECT_EQ(users("times", "zhang"), "3");
  EXPECT_NE(users("doub", "zhang"), "0");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT times FROM admins WHERE adID='admino'"), "3");

  {  // The lock survives a restart.
    ServerProcess again(dir, longLocks);
    Client c(dir.port());
    EXPECT_EQ(c.login(u"zhang", u"pw1"), u"LOCKED");
  }

  // Once it has run out a wrong password locks again at once.
  runOutStoredLocks();
  {
    ServerProcess again(dir, longLocks);
    {
      Client c(dir.port());
      EXPECT_EQ(c.login(u"zhang", u"bad"), u"WRONGPSWD张工");
    }
    Client c(dir.port());
    EXPECT_EQ(c.login(u"zhang", u"pw1"), u"LOCKED");
  }

  // A lock of one second runs out on the server's clock; until then every
  // login is "LOCKED" and changes nothing, so the first other answer is the
  // one after the lock. The right password then clears the count.
  runOutStoredLocks();
  ServerProcess again(dir, {{"TAV_LOCK_SECONDS", "1"}});
  {
    Client c(dir.port());
    EXPECT_EQ(c.login(u"zhang", u"bad"), u"WRONGPSWD张工");
  }
  std::u16string answer;
  EXPECT_TRUE(eventually([&] {
    Client c(dir.port());
    answer = c.login(u"zhang", u"pw1");
    return answer != u"LOCKED";
  }));
  EXPECT_EQ(answer, u"ACCEPTED");
  {
    Client a(dir.port());
    EXPECT_EQ(a.loginAdmin(), u"ACCEPTED");
  }
  again.stop();
  EXPECT_EQ(users("times", "zhang"), "0");
  EXPECT_EQ(users("doub", "zhang"), "0.0");
}
