// The request dispatcher: knock, framing, session ends, server control,
// own password, and the busy hand-over between sessions.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

void addUser(ServerDir& dir, const std::string& id, const std::u16string& pw) {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, canceled) VALUES('" + id + "', '" +
                              tav::toUtf8(tav::encodePswd(pw)) + "', '用户" + id + "', 0)");
}

// Ends a check that nothing came after the last reply: the very next bytes
// on the session are the answer to a knock and the reply to a request.
void nextBytesAnswerTheNextRequest(Client& c) {
  EXPECT_EQ(c.knock(), u"APPROV");
  c.sendBody(u"NOSUCH");
  EXPECT_EQ(c.readWord(8), u"UNKNOWNS");
}

std::u16string showLog(Client& admin) {
  if (!admin.request(u"SHOWTX")) return u"<not approved>";
  std::string header = admin.readExactly(8);
  if (header.size() != 8) return u"<no header>";
  std::size_t len = std::stoul(tav::toUtf8(tav::fromUtf16le(header)), nullptr, 16);
  std::string body = admin.readExactly(len);
  EXPECT_EQ(body.size(), len);
  // Nothing follows the body.
  nextBytesAnswerTheNextRequest(admin);
  return tav::fromUtf16le(body);
}

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    addUser(dir, "u1", u"pw1");
    addUser(dir, "u2", u"pw2");
    addUser(dir, "u3", u"pw3");
  }
  ServerDir dir;
};

}  // namespace

TEST_F(Dispatcher, KnockWordsAndFraming) {
  ServerProcess server(dir, {{"TAV_IO_SECONDS", "3"}});
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  Client user(dir.port());
  ASSERT_EQ(user.login(u"u1", u"pw1"), u"ACCEPTED");

  EXPECT_EQ(user.call(u"NOSUCH"), u"UNKNOWNS");
  std::u16string author = user.callList(u"AUTHOR");
  int lines = 1;
  for (std::size_t p = author.find(u"\r\n"); p != std::u16string::npos; p = author.find(u"\r\n", p + 2)) ++lines;
  EXPECT_EQ(lines, 4);

  // A knock word that is neither "CLIENT" nor "IULOAD" is consumed silently.
  user.sendText(u"HELLO!");
  nextBytesAnswerTheNextRequest(user);

  // A body whose terminator never comes: "RECV,ERR", the session dropped.
  ASSERT_EQ(user.knock(), u"APPROV");
  user.sendText(u"AUTHOR");
  EXPECT_EQ(user.readWord(8, 10), u"RECV,ERR");
  EXPECT_TRUE(user.waitClosed());

  // A zero pair at an odd offset is not the end of a body: "A" then "一".
  Client u2(dir.port());
  ASSERT_EQ(u2.login(u"u2", u"pw2"), u"ACCEPTED");
  ASSERT_EQ(u2.knock(), u"APPROV");
  u2.sendText(std::u16string(u"NOSUCHA") + u"\u4E00");
  EXPECT_EQ(u2.readWord(8, 10), u"RECV,ERR");

  // More than 1 MiB without a terminator.
  Client u3(dir.port());
  ASSERT_EQ(u3.login(u"u3", u"pw3"), u"ACCEPTED");
  ASSERT_EQ(u3.knock(), u"APPROV");
  u3.sendBytes(std::string(1100000, 'a'));
  EXPECT_EQ(u3.readWord(8, 10).substr(0, 8), u"RECV,ERR");

  std::u16string log = showLog(admin);
  EXPECT_NE(log.find(u"u1(user) Drop("), std::u16string::npos) << utf8(log);
  EXPECT_NE(log.find(u"u2(user) Drop("), std::u16string::npos);
  EXPECT_NE(log.find(u"u3(user) Drop("), std::u16string::npos);
}

TEST_F(Dispatcher, SessionEndsAndControlCommands) {
  ServerProcess server(dir, {{"TAV_NOW", "2031-02-03 04:05:06"}});
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  {
    std::u16string log = showLog(admin);
    EXPECT_EQ(log.substr(0, 18), u"admino(supe) Link(");
    EXPECT_NE(log.find(u"\r\nServer Started    2031-2-3 4:5:"), std::u16string::npos) << utf8(log);
  }
  Client u1(dir.port());
  ASSERT_EQ(u1.login(u"u1", u"pw1"), u"ACCEPTED");
  for (const char16_t* word : {u"SHOWTX", u"SHOWLB", u"UNLOAD"})
    EXPECT_EQ(u1.call(word), u"WROPOW") << utf8(word);

  ASSERT_TRUE(u1.request(u"CLOSE!"));
  EXPECT_TRUE(u1.waitClosed());
  Client u2(dir.port());
  ASSERT_EQ(u2.login(u"u2", u"pw2"), u"ACCEPTED");
  u2.sendText(u"IULOAD");
  EXPECT_TRUE(u2.waitClosed());

  std::u16string log = showLog(admin);
  EXPECT_NE(log.find(u"u1(user) unLink(2)   2031-2-3 4:"), std::u16string::npos) << utf8(log);
  EXPECT_NE(log.find(u"u2(user) close(2)   "), std::u16string::npos);
  // Newest entry first.
  EXPECT_LT(log.find(u"close(2)"), log.find(u"unLink(2)"));

  std::u16string lb = admin.callList(u"SHOWLB");
  EXPECT_EQ(lb.substr(0, 36), u"Server started at 2031-02-03 04:05:0") << utf8(lb);
  EXPECT_NE(lb.find(u"\r\n1: admino\r\n2:(waiting)\r\n3:(waiting)"), std::u16string::npos) << utf8(lb);
}

TEST_F(Dispatcher, OwnPasswordChange) {
  ServerProcess server(dir);
  {
    Client u(dir.port());
    ASSERT_EQ(u.login(u"u1", u"pw1"), u"ACCEPTED");
    EXPECT_EQ(u.call(u"RENAME", {u"wrong", u"new1"}), u"WRONGPW");
    EXPECT_EQ(u.call(u"RENAME", {u"PW1", u"new1"}), u"WRONGPW");  // case matters
    EXPECT_EQ(u.call(u"RENAME", {u"pw1", u"new1"}), u"CHANGED");
    // The session now holds the new password.
    EXPECT_EQ(u.call(u"RENAME", {u"pw1", u"x"}), u"WRONGPW");
    EXPECT_EQ(u.call(u"RENAME", {u"new1", u"新密码"}), u"CHANGED");
    EXPECT_EQ(u.call(u"RENAME", {u"only-one-field"}), u"WRONGPW");
  }
  {
    Client old(dir.port());
    EXPECT_EQ(old.login(u"u1", u"pw1"), u"WRONGPSWD用户u1");
    Client fresh(dir.port());
    EXPECT_EQ(fresh.login(u"U1", u"新密码"), u"ACCEPTED");
  }
  {
    Client a(dir.port());
    ASSERT_EQ(a.loginAdmin(u"adminm"), u"ACCEPTED");
    EXPECT_EQ(a.call(u"RENAME", {u"8526", u""}), u"CHANGED");  // empty is allowed
    Client again(dir.port());
    EXPECT_EQ(again.loginAdmin(u"adminm", u""), u"ACCEPTED");
    Client other(dir.port());
    EXPECT_EQ(other.loginAdmin(u"admino", u"8526"), u"ACCEPTED");
  }
}

TEST_F(Dispatcher, BusyReplyWhileAnotherRequestIsRead) {
  ServerProcess server(dir);
  Client a(dir.port()), b(dir.port());
  ASSERT_EQ(a.login(u"u1", u"pw1"), u"ACCEPTED");
  ASSERT_EQ(b.login(u"u2", u"pw2"), u"ACCEPTED");

  ASSERT_EQ(a.knock(), u"APPROV");
  a.sendText(u"AUT");  // the request is being read slowly
  EXPECT_EQ(b.knock(), u"IAMBUS");
  EXPECT_EQ(b.knock(), u"IAMBUS");
  a.sendText(u"HOR");
  a.sendBytes(std::string(tav::MsgEnd));
  EXPECT_FALSE(tav::fromUtf16le(a.readList()).empty());
  // The reply is out; the busy word may still answer for a moment.
  EXPECT_TRUE(b.knockApproved());
  b.sendBody(u"NOSUCH");
  EXPECT_EQ(b.readWord(8), u"UNKNOWNS");
}

TEST_F(Dispatcher, InterleavedSessionsAreNeverDropped) {
  ServerProcess server(dir);
  const std::u16string ids[] = {u"u1", u"u2", u"u3"};
  const std::u16string pws[] = {u"pw1", u"pw2", u"pw3"};
  std::atomic<int> failures{0}, busy{0};
  std::vector<std::unique_ptr<Client>> clients;
  for (int k = 0; k < 3; ++k) {
    clients.push_back(std::make_unique<Client>(dir.port()));
    ASSERT_EQ(clients.back()->login(ids[k], pws[k]), u"ACCEPTED");
  }
  std::vector<std::thread> threads;
  for (int k = 0; k < 3; ++k) {
    threads.emplace_back([&, k] {
      Client& c = *clients[static_cast<std::size_t>(k)];
      for (int i = 0; i < 60; ++i) {
        std::u16string word = (i + k) % 2 ? u"NOSUCH" : u"RENAME";
        std::u16string ans;
        for (int tries = 0; tries < 200; ++tries) {
          ans = c.knock();
          if (ans != u"IAMBUS") break;
          ++busy;
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (ans != u"APPROV") {
          ++failures;
          return;
        }
        std::u16string body = word + pws[k] + tav::FieldSep + pws[k] + tav::FieldSep;
        c.sendBytes(tav::toUtf16le(body) + std::string(tav::MsgEnd));
        std::u16string expect = word == u"RENAME" ? u"CHANGED" : u"UNKNOWNS";
        std::u16string got = tav::fromUtf16le(c.readExactly(expect.size() * 2));
        if (got != expect) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);

  // Every session is still there.
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  std::u16string log = showLog(admin);
  EXPECT_EQ(log.find(u"Drop("), std::u16string::npos) << utf8(log);
  for (auto& c : clients) EXPECT_EQ(c->call(u"NOSUCH"), u"UNKNOWNS");
}

TEST_F(Dispatcher, AbruptDisconnectsNeverStopTheServer) {
  ServerProcess server(dir, {{"TAV_IO_SECONDS", "3"}});
  for (int stage = 0; stage < 4; ++stage) {
    Client c(dir.port());
    ASSERT_EQ(c.login(u"u1", u"pw1"), u"ACCEPTED");
    switch (stage) {
      case 0: c.sendText(u"CLI"); break;                 // mid-knock
      case 1: c.knock(); c.sendText(u"SHOW"); break;     // mid-body
      case 2:                                            // before the reply is read
        c.request(u"AUTHOR");
        break;
      case 3: break;                                     // logged in, then gone
    }
  }
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  // Every one of the four sessions is ended, and the server serves on.
  std::u16string lb;
  EXPECT_TRUE(eventually([&] {
    lb = admin.callList(u"SHOWLB");
    std::size_t free = 0;
    for (std::size_t p = lb.find(u":(waiting)"); p != std::u16string::npos; p = lb.find(u":(waiting)", p + 1)) ++free;
    return free == 9;
  })) << utf8(lb);
  EXPECT_NE(lb.find(u": admino"), std::u16string::npos) << utf8(lb);
  ASSERT_TRUE(server.alive());
}

TEST_F(Dispatcher, UnloadStopsTheServerAndFreesPortAndLock) {
  auto server = std::make_unique<ServerProcess>(dir);
  Client u(dir.port());
  ASSERT_EQ(u.login(u"u1", u"pw1"), u"ACCEPTED");
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  ASSERT_TRUE(admin.request(u"UNLOAD"));
  EXPECT_EQ(tav::fromUtf16le(admin.readExactly(12)), u"CLOSE!");
  EXPECT_EQ(tav::fromUtf16le(u.readExactly(12)), u"CLOSE!");
  EXPECT_TRUE(admin.waitClosed());
  EXPECT_EQ(server->waitExit(10), 0);

  // The port and the lock are free at once.
  ServerProcess again(dir);
  Client c(dir.port());
  EXPECT_EQ(c.login(u"u1", u"pw1"), u"ACCEPTED");
}
