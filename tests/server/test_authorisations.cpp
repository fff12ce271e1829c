// Authorisations: which grants are in force, how grants are written,
// changed and ended, how their records are reused, and what they lend.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const int32_t Today = tav::dayFromCivil(2030, 1, 2);
const Env TestClock{{"TAV_NOW", "2030-01-02 10:00:00"}};

std::u16string num(long long v) { return tav::fromUtf8(std::to_string(v)); }



// The grant numbers of a "LISIMP" reply, each record checked for its width.
std::set<int> listedNumbers(Client& c, std::size_t width) {
  std::set<int> out;
  for (const auto& r : records(c.callList(u"LISIMP"))) {
    EXPECT_EQ(r.size(), width);
    out.insert(std::stoi(utf8(r.at(0))));
  }
  return out;
}

// The lent-rights field of the grade reply's header.
long long lentRights(Client& c) { return std::stoll(utf8(records(c.callList(u"MYGRAD")).at(0).at(2))); }

// Every impower record in stored order: number:granter:rights:receiver.
std::string impowerRows(ServerDir& dir) {
  return dir.query("TAVusers.mdb",
                   "SELECT group_concat(autonum || ':' || ifnull(user_id, '-') || ':' || right_id || ':' || "
                   "to_user_id, ' ') FROM (SELECT * FROM impower ORDER BY rowid)");
}

std::vector<std::u16string> grant(long long rights, const std::u16string& to, int cancel, int32_t from,
                                  int32_t until) {
  return {num(rights), to, u"收" + to, num(cancel), num(from), num(until)};
}

}  // namespace

// One case per start day, end day and end mode: the same rule decides the
// lists and the rights the receiver gets; bit-2 grants end at the granter's
// next session start.
TEST(Authorisations, LivenessOfGrants) {
  ServerDir dir;
  addUser(dir, "ga", 0, 0, u"pw", "名ga");
  addUser(dir, "gb", 0, 0, u"pw", "名gb");
  struct Case {
    int32_t start, end;
    int cancel;
  };
  std::vector<Case> cases;
  for (int32_t start : {Today - 1, Today, Today + 1})
    for (int32_t end : {Today - 1, Today})
      for (int cancel : {0, 1, 2, 3}) cases.push_back({start, end, cancel});
  std::set<int> live, liveAfterRestart;
  long long liveBits = 0, keptBits = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& k = cases[i];
    const int number = static_cast<int>(i) + 1;
    addGrant(dir, number, "ga", 1LL << i, "Gb", k.cancel, k.start, k.end);
    if (k.start <= Today && ((k.cancel & 1) == 0 || k.end >= Today)) {
      live.insert(number);
      liveBits |= 1LL << i;
      if ((k.cancel & 2) == 0) {
        liveAfterRestart.insert(number);
        keptBits |= 1LL << i;
      }
    }
  }
  addGrant(dir, 30, "", 1LL << 24, "gb", 0, Today - 1, 0);  // free: never counts
  addGrant(dir, 31, "gc", 1LL << 25, "GB", 0, Today - 1, 0);
  ServerProcess server(dir, TestClock);

  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  std::set<int> all = live;
  all.insert(31);
  EXPECT_EQ(listedNumbers(admin, 9), all);
  const auto first = records(admin.callList(u"LISIMP")).at(0);
  EXPECT_EQ(first, (std::vector<std::u16string>{u"1", u"ga", u"x", u"1", u"Gb", u"y", u"0", num(Today - 1),
                                                 num(Today - 1)}));
  {
    Client ga(dir.port());
    ASSERT_EQ(ga.login(u"GA", u"pw"), u"ACCEPTED");
    EXPECT_EQ(listedNumbers(ga, 7), live);  // not gc's grant
    Client gb(dir.port());
    ASSERT_EQ(gb.login(u"gb", u"pw"), u"ACCEPTED");
    EXPECT_EQ(lentRights(gb), liveBits | (1LL << 25));
    EXPECT_EQ(listedNumbers(gb, 7), std::set<int>{});  // he granted nothing
    // The grade reply of the receiver frees nothing of the granter's.
    EXPECT_EQ(listedNumbers(admin, 9), all);

    // The granter's next session start ends his bit-2 grants.
    EXPECT_EQ(lentRights(ga), 0);
    EXPECT_EQ(listedNumbers(ga, 7), liveAfterRestart);
    EXPECT_EQ(lentRights(gb), keptBits | (1LL << 25));
  }
  server.stop();
  // Bit-2 records are free, every other record kept its granter.
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT ifnull(user_id, '-') FROM impower WHERE autonum=" +
                                            std::to_string(i + 1)),
              (cases[i].cancel & 2) ? "-" : "ga")
        << i;
}

TEST(Authorisations, NewGrantsReuseRecords) {
  ServerDir dir;
  addUser(dir, "ga", 1 | 4, 0, u"pw", "名ga");
  addUser(dir, "gb", 0, 0, u"pw", "名gb");
  addGrant(dir, 1, "ga", 1, "gb", 0, Today - 1, 0);          // live
  addGrant(dir, 2, "gc", 1, "gb", 0, Today + 1, 0);          // not begun yet
  addGrant(dir, 3, "gc", 1, "gb", 2, Today - 1, 0);          // bit 2 alone, old end day: live
  addGrant(dir, 4, "gc", 1, "gb", 1, Today - 9, Today);      // ends today
  addGrant(dir, 5, "gc", 1, "gb", 3, Today - 9, Today - 1);  // ended yesterday: reusable
  addGrant(dir, 9, "", 1, "gb", 0, Today - 9, 0);            // free: reusable
  ServerProcess server(dir, TestClock);

  Client ga(dir.port());
  ASSERT_EQ(ga.login(u"ga", u"pw"), u"ACCEPTED");
  // Only rights the granter holds are lent.
  EXPECT_EQ(ga.call(u"IMPADD", grant(7, u"GB", 1, Today, Today + 3)), u"IGOTIT");
  EXPECT_EQ(ga.call(u"IMPADD", grant(-1, u"gb", 0, Today, 0)), u"IGOTIT");
  // Malformed requests store nothing and use no number.
  EXPECT_EQ(ga.call(u"IMPADD", {u"1", u"gb", u"收", u"0", u"1"}), u"UWRONG");
  EXPECT_EQ(ga.call(u"IMPADD", grant(1, u"gb", 0, Today, 0)), u"IGOTIT");
  {
    auto big = grant(1, u"gb", 0, Today, 0);
    big[0] = u"4294967297";
    EXPECT_EQ(ga.call(u"IMPADD", big), u"UWRONG");
  }
  // An administrator lends what he asks for; an unknown receiver is stored.
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  EXPECT_EQ(admin.call(u"IMPADD", grant(7, u"nobody", 0, Today, 0)), u"IGOTIT");

  // The receiver is told once, at his next login.
  {
    Client gb(dir.port());
    EXPECT_EQ(gb.login(u"gb", u"pw"), u"ACCEPTEDHAVEIMPW");
  }
  {
    Client gb(dir.port());
    EXPECT_EQ(gb.login(u"gb", u"pw"), u"ACCEPTED");
  }
  server.stop();
  EXPECT_EQ(impowerRows(dir),
            "1:ga:1:gb 2:gc:1:gb 3:gc:1:gb 4:gc:1:gb 10:ga:5:GB 11:ga:5:gb 12:ga:1:gb 13:admino:7:nobody");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT usedate || ',' || uselessdate || ',' || to_user_cancel || ',' || "
                                      "user_name || ',' || to_user_name FROM impower WHERE autonum=10"),
            std::to_string(Today) + "," + std::to_string(Today + 3) + ",1,名ga,收GB");
}

TEST(Authorisations, ChangingAndEndingGrants) {
  ServerDir dir;
  addUser(dir, "ga", 1 | 4, 0, u"pw", "名ga");
  addUser(dir, "gb", 0, 0, u"pw", "名gb");
  addUser(dir, "gx", 0, 0, u"pw", "名gx");
  addGrant(dir, 1, "GA", 1, "gx", 0, Today - 1, 0);  // the granter's own, other letter case
  addGrant(dir, 2, "gc", 1, "gx", 0, Today - 1, 0);  // somebody else's
  addGrant(dir, 3, "", 1, "gx", 0, Today - 1, 0);
  addGrant(dir, 4, "gc", 1, "gx", 1, Today - 5, Today - 1);
  addGrant(dir, 8, "", 1, "gx", 0, Today - 1, 0);
  ServerProcess server(dir, TestClock);

  Client ga(dir.port());
  ASSERT_EQ(ga.login(u"ga", u"pw"), u"ACCEPTED");
  auto alter = [&](const std::u16string& number, long long rights) {
    auto f = grant(rights, u"gb", 0, Today, 0);
    f.insert(f.begin(), number);
    return ga.call(u"ALTIMP", f);
  };
  EXPECT_EQ(alter(u"1", 7), u"IGOTIT");  // rewritten in place, rights masked
  EXPECT_EQ(alter(u"8", 4), u"IGOTIT");  // a free record is filled, keeping its number
  // Somebody else's grant stays; the caller gets a grant in the first
  // reusable record, then the next, then a new numbered one.
  EXPECT_EQ(alter(u"2", 3), u"IGOTIT");
  EXPECT_EQ(alter(u"2", 1), u"IGOTIT");
  EXPECT_EQ(alter(u"2", 5), u"IGOTIT");
  {
    // An unknown number changes nothing: no grant, no receiver told.
    auto f = grant(1, u"gx", 0, Today, 0);
    f.insert(f.begin(), u"99");
    EXPECT_EQ(ga.call(u"ALTIMP", f), u"NOTHIS");
    f.pop_back();
    EXPECT_EQ(ga.call(u"ALTIMP", f), u"UWRONG");
  }

  struct Reject {
    Client* who;
    const char16_t* number;
    const char16_t* answer;
  };
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  for (const Reject& r : {Reject{&ga, u"2", u"NOTHIS"},  // somebody else's grant
                          Reject{&ga, u"77", u"NOTHIS"}, Reject{&ga, u"1", u"IGOTIT"},
                          Reject{&ga, u"1", u"NOTHIS"},  // already free
                          Reject{&admin, u"2", u"IGOTIT"}, Reject{&admin, u"3", u"IGOTIT"}})
    EXPECT_EQ(r.who->call(u"REJECT", {r.number}), r.answer) << utf8(r.number);

  // The counter went on from the grant that "ALTIMP" added.
  EXPECT_EQ(ga.call(u"IMPADD", grant(1, u"gb", 0, Today, 0)), u"IGOTIT");
  {
    Client gx(dir.port());
    EXPECT_EQ(gx.login(u"gx", u"pw"), u"ACCEPTED");
    Client gb(dir.port());
    EXPECT_EQ(gb.login(u"gb", u"pw"), u"ACCEPTEDHAVEIMPW");
  }
  server.stop();
  EXPECT_EQ(impowerRows(dir), "10:ga:1:gb 2:-:1:gx 3:-:1:gb 4:ga:1:gb 8:ga:4:gb 9:ga:5:gb");
}
