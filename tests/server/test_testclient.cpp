// The tests' own client against a scripted peer: how it knocks while the
// server is busy, and what it reports when a knock is not approved, so a
// refused knock in any other test means what it says.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fixture.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

// One listening socket on a port the system hands out; the peer end of the
// test client's connection once accepted.
class ScriptedPeer {
 public:
  ScriptedPeer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 1) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      throw std::runtime_error("scripted peer cannot listen");
    port_ = ntohs(a.sin_port);
  }
  ~ScriptedPeer() {
    if (fd_ >= 0) ::close(fd_);
    ::close(listen_);
  }
  int port() const { return port_; }
  void accept() { fd_ = ::accept(listen_, nullptr, nullptr); }
  void closeConnection() {
    ::close(fd_);
    fd_ = -1;
  }

  void send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  // The next n bytes from the client; fewer once it has closed.
  std::string read(std::size_t n) {
    std::string out;
    char buf[256];
    while (out.size() < n) {
      ssize_t r = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
      if (r <= 0) break;
      out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
  }
  // Answers every knock with the next word of `answers` and counts the
  // knocks until the client closes; after "APPROV" it keeps the body.
  void answerKnocks(const std::vector<std::u16string>& answers) {
    for (std::string knock; (knock = read(tav::KnockBytes)).size() == tav::KnockBytes;) {
      knocks.push_back(tav::fromUtf16le(knock));
      const std::u16string& word = answers[std::min(knocks.size(), answers.size()) - 1];
      send(tav::wordReply(word));
      if (word != tav::KnockApproved) continue;
      tav::RequestReader reader;
      char c;
      while (reader.state() == tav::ReadState::Incomplete && ::recv(fd_, &c, 1, 0) == 1) reader.feed(&c, 1);
      body = reader.body();
    }
  }

  std::vector<std::u16string> knocks;
  std::u16string body;

 private:
  int listen_ = -1, fd_ = -1, port_ = 0;
};

// A client of `peer` does `act` while the peer answers its knocks from
// `answers`; returns once the client has said all it will.
void talk(ScriptedPeer& peer, const std::vector<std::u16string>& answers, const std::function<void(Client&)>& act) {
  Client c(peer.port());
  peer.accept();
  std::thread server([&] { peer.answerKnocks(answers); });
  act(c);
  ::shutdown(c.fd(), SHUT_WR);
  server.join();
}

}  // namespace

TEST(TestClient, BusyAnswersAreKnockedAgainUntilApproved) {
  ScriptedPeer peer;
  talk(peer, {u"IAMBUS", u"IAMBUS", u"IAMBUS", u"APPROV"},
       [](Client& c) { EXPECT_TRUE(c.request(u"NOSUCH", {u"f"})); });
  EXPECT_EQ(peer.knocks, (std::vector<std::u16string>(4, u"CLIENT")));
  EXPECT_EQ(peer.body, u"NOSUCHf" + std::u16string(1, tav::FieldSep));
}

TEST(TestClient, GivesUpAfterTheLastBusyAnswerAndSaysSo) {
  ScriptedPeer peer;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  talk(peer, {u"IAMBUS"}, [&](Client& c) { result = c.request(u"NOSUCH"); });
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("\"IAMBUS\" 50 times"), std::string::npos) << result.message();
  EXPECT_EQ(peer.knocks.size(), static_cast<std::size_t>(Client::KnockTries));
  EXPECT_EQ(peer.body, u"") << "no body after a refused knock";
}

TEST(TestClient, AnyOtherAnswerFailsAtOnceNamingTheWord) {
  ScriptedPeer peer;
  std::u16string reply;
  talk(peer, {u"CLOSE!"}, [&](Client& c) { reply = c.call(u"NOSUCH"); });
  EXPECT_EQ(reply, u"<knock answered \"CLOSE!\">");
  EXPECT_EQ(peer.knocks.size(), 1u);
  EXPECT_EQ(peer.body, u"");
}

TEST(TestClient, AKnockNobodyAnswersFailsAtOnce) {
  ScriptedPeer peer;
  Client c(peer.port());
  peer.accept();
  peer.closeConnection();
  ::testing::AssertionResult result = c.request(u"NOSUCH");
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("not answered"), std::string::npos) << result.message();
}

TEST(TestClient, AListEndsAtItsTerminatorAndNotAByteLater) {
  ScriptedPeer peer;
  Client c(peer.port());
  peer.accept();
  // "A一" holds a zero pair at an odd offset (41 00 00 4E): not the end.
  const std::string list = tav::toUtf16le(u"A\u4E00x") + std::string(tav::MsgEnd);
  const std::string after = tav::toUtf16le(u"NEXT");
  peer.send(list.substr(0, 3));
  peer.send(list.substr(3) + after);
  EXPECT_EQ(c.readList(), list);
  EXPECT_EQ(c.readWord(4), u"NEXT");
}
