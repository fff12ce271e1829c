// Crash safety: a client streams acknowledged writes while the server is
// killed at random moments; after every restart each database is intact and
// every write the client saw acknowledged is there, with its history.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fixture.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

std::vector<std::u16string> newOrder(int i) {
  const std::u16string d = u"崩溃测试" + tav::fromUtf8(std::to_string(i));
  return {u"equip_id", u"10001", u"comofequip", u"冷却泵", u"description", d, u"bill_type", u"CM",
          u"em_level", u"2",     u"begin_date", u"47000", u"compl_date",  u"47003", u"status", u"1",
          u"pointto",  u""};
}

std::vector<std::u16string> newCollection(int i) {
  std::vector<std::u16string> f{u"集合" + tav::fromUtf8(std::to_string(i)), u""};
  for (int k = 0; k < 20; ++k) {
    f.push_back(k == 0 ? u"L-" + tav::fromUtf8(std::to_string(i)) : u"");
    f.push_back(k == 0 ? u"泵" : u"");
  }
  return f;
}

// What the client saw acknowledged.
struct Acked {
  std::vector<int> orders;
  std::atomic<std::size_t> orderCount{0};  // orders.size(), for the other thread
  std::map<int, int> timesPerOrder;  // order -> acknowledged "ADTIME" of 5
  std::vector<std::u16string> collections;
};

// A request and its word reply; on loopback the reply comes at once.
std::u16string quickCall(Client& c, const std::u16string& word, const std::vector<std::u16string>& fields) {
  if (!c.request(word, fields)) return u"";
  return c.replyWord(0.05);
}

// Streams writes until the connection dies; returns when it does.
void streamWrites(int port, int& counter, Acked& acked) {
  Client c(port);
  if (c.login(u"w", u"pw") != u"ACCEPTED") return;
  if (c.callList(u"MYGRAD").empty()) return;
  for (;;) {
    const int i = ++counter;
    std::u16string r = quickCall(c, u"WRITE:ANEWWO", newOrder(i));
    if (r.substr(0, 6) != u"IGOTIT") return;
    const int order = std::stoi(utf8(r.substr(6)));
    acked.orders.push_back(order);
    ++acked.orderCount;
    if (quickCall(c, u"ADTIME1", {tav::fromUtf8(std::to_string(order)), u"1", u"5"}) != u"IGOTIT") return;
    ++acked.timesPerOrder[order];
    if (i % 3 == 0) {
      std::u16string col = quickCall(c, u"COLADD", newCollection(i));
      if (col.substr(0, 6) != u"IGOTIT") return;
      acked.collections.push_back(newCollection(i)[0]);
    }
  }
}

}  // namespace

TEST(CrashSafety, AcknowledgedWritesSurviveSigkill) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, \"Right\", Type, canceled) VALUES('w', '" +
                              tav::toUtf8(tav::encodePswd(u"pw")) + "', '写入者', 63, 1, 0)");
  std::mt19937 rng(20261210);
  Acked acked;
  int counter = 0;
  for (int round = 0; round < 20; ++round) {
    {
      ServerProcess server(dir);
      const std::size_t before = acked.orderCount;
      std::atomic<bool> ended{false};
      std::thread writer([&] {
        streamWrites(dir.port(), counter, acked);
        ended = true;
      });
      // The kill comes at a random moment of the stream once it flows, so
      // every round writes however slow the machine.
      EXPECT_TRUE(eventually([&] { return ended || acked.orderCount >= before + 3; }, 60));
      std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 800));
      ::kill(server.pid(), SIGKILL);
      writer.join();
    }
    {  // The restart recovers what the kill left; stopped idle, the files can be read.
      ServerProcess restarted(dir);
    }
    for (const char* db : {"TAVusers.mdb", "TAVequipment.mdb", "TAVrecords.mdb"})
      ASSERT_EQ(dir.query(db, "PRAGMA integrity_check"), "ok") << db << " after round " << round;
  }
  ASSERT_GT(acked.orders.size(), 40u);  // the rounds did write

  for (int order : acked.orders) {
    const std::string id = std::to_string(order);
    ASSERT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list WHERE bill_id=" + id), "1") << order;
    const int times = acked.timesPerOrder.count(order) ? acked.timesPerOrder[order] : 0;
    // A write may have been stored just before a kill cut off its answer:
    // what was acknowledged is there, perhaps a little more.
    EXPECT_GE(std::stoi(dir.query("TAVrecords.mdb", "SELECT count(*) FROM detail WHERE bill_id=" + id)), times);
    EXPECT_GE(std::stoi(dir.query("TAVrecords.mdb", "SELECT usetime FROM list WHERE bill_id=" + id)), 5 * times);
  }
  for (const auto& name : acked.collections)
    EXPECT_EQ(dir.query("TAVequipment.mdb", "SELECT count(*) FROM collection WHERE name='" + utf8(name) + "'"), "1");
}
