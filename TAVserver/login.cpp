// The login: a 30-byte greeting with a random challenge and the server
// time, the client's 131-byte record, then the account and its lock-out.
#include "TAVserver/login.h"

#include <chrono>
#include <random>

#include <unistd.h>

#include "TAVserver/server.h"
#include "protocol/login.h"
#include "protocol/netio.h"
#include "protocol/password.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

std::mt19937& challengeSource() {
  static std::mt19937 rng;
  return rng;
}

std::string makeChallenge() {
  std::uniform_real_distribution<double> r(0.0, 1.0);
  std::string c;
  for (std::size_t i = 0; i < ChallengeSize; ++i)
    c.push_back(static_cast<char>(std::nearbyint(r(challengeSource()) * 95 + 32)));
  return c;
}

// What the collection of the login record came to.
enum class Collected { Complete, Silent, Closed };

Collected collectRecord(int fd, std::string& rec) {
  const double silence = ioSeconds();
  auto deadline = steadyAfter(silence);
  while (rec.size() < LoginRecordSize) {
    switch (readSome(fd, rec, LoginRecordSize - rec.size())) {
      case ReadOutcome::Data:
        deadline = steadyAfter(silence);
        continue;
      case ReadOutcome::Closed:
        return Collected::Closed;
      case ReadOutcome::NoData:
        break;
    }
    auto left = std::chrono::duration<double>(deadline - Steady::now()).count();
    if (left <= 0) return Collected::Silent;
    waitReadable(fd, std::min(left, 0.05));
  }
  return Collected::Complete;
}

bool isAdminId(std::u16string_view id) {
  if (id.size() != 7 || id[0] != AdminPrefix) return false;
  auto name = id.substr(1);
  return name == u"admino" || name == u"adminm" || name == u"admint";
}

// How one account row answers a login attempt.
struct Verdict {
  std::u16string reply;
  bool accepted = false;
};

}  // namespace

void seedChallenges() {
  std::random_device rd;
  std::seed_seq seq{rd(), rd(), static_cast<unsigned>(
                                    std::chrono::system_clock::now().time_since_epoch().count())};
  challengeSource().seed(seq);
}

void checkLogin(Server& S, int n) {
  int& fd = S.slotSock[static_cast<std::size_t>(n - 1)];
  S.clearSlot(n);
  auto refuse = [&](std::u16string_view word) {
    if (!word.empty()) sendAll(fd, wordReply(word), ioSeconds());
    ::close(fd);
    fd = -1;
    S.clearSlot(n);
  };

  const std::string greeting = makeGreeting(makeChallenge(), nowLocal());
  sendAll(fd, greeting, ioSeconds());

  std::string rec;
  switch (collectRecord(fd, rec)) {
    case Collected::Closed:
      return refuse({});
    case Collected::Silent:
      return refuse(ReplyWrongVer);
    case Collected::Complete:
      break;
  }

  auto lr = parseLoginRecord(rec, loginKey(greeting));
  if (!lr || lr->answer != encodePswd(greetingChallenge(greeting)) ||
      (lr->tag != TagUser && lr->tag != TagSuper) || !isValidUtf16(lr->id))
    return refuse(ReplyWrongVer);

  Slot& s = S.slot(n);
  const bool admin = isAdminId(lr->id);
  s.slotTag = lr->tag.substr(0, 4);
  s.slotID = admin ? lr->id.substr(1) : lr->id;
  s.slotPswd = encodePswd(lr->password);

  Verdict v;
  std::u16string displayName;
  int32_t trades = 0;
  try {
    TableHandles& t = S.db.t();
    store::Table& rs = admin ? t.rsAdmins : t.rsUsers;
    const char* idField = admin ? "adID" : "user_id";
    bool found = false;
    for (bool on = rs.moveFirst(); on; on = rs.moveNext())
      if (equalsNoCase(rs.get(idField).asText(), s.slotID)) {
        found = true;
        break;
      }
    if (!found) return refuse(ReplyWrongUser);

    store::Transaction tx(S.db.db());
    const double nowD = now();
    const int64_t times = rs.get("times").asInt();
    const double doub = rs.get("doub").asDouble();
    const bool pswdOk = rs.get(admin ? "adPswd" : "Password").asText() == s.slotPswd;
    displayName = rs.get(admin ? "adName" : "user_name").asText();
    const bool locked = times >= 3;

    if (locked && !(nowD > doub)) return refuse(ReplyLocked);
    if (!pswdOk) {
      // A wrong password counts; the third in a row locks the account, and
      // after a lock has run out one more wrong password locks it again.
      rs.edit();
      const int64_t next = locked ? times : times + 1;
      rs.set("times", store::Value(static_cast<long long>(next)));
      if (next >= 3) rs.set("doub", store::Value(nowD + secondsToDays(timeOuts().lockSeconds)));
      rs.update();
      tx.commit();
      return refuse(admin ? std::u16string(ReplyWrongPswd)
                          : std::u16string(ReplyWrongPswd) + displayName);
    }
    if (!admin) {
      store::Value canceled = rs.get("canceled");
      if (canceled.isNull() || canceled.asInt() != 0) return refuse(ReplyFreezed);
      trades = static_cast<int32_t>(rs.get("Type").asInt());
    }

    std::u16string reply(ReplyAccepted);
    rs.edit();
    const char* flagField = admin ? "newstitu" : "newimpw";
    if (rs.get(flagField).asInt() != 0) {
      reply = admin ? std::u16string(ReplyAccepted) + std::u16string(ReplyChangeMs)
                    : std::u16string(ReplyAcceptedHaveImpw);
      rs.set(flagField, store::Value(0));
    }
    rs.set("times", store::Value(0));
    rs.set("doub", store::Value(0));
    rs.update();
    tx.commit();
    v = {reply, true};
  } catch (const std::exception&) {
    // The account could not be read or saved: nothing of it changed.
    return refuse(ReplyWrongVer);
  }

  s.slotIsAdmin = admin;
  s.slotType = admin ? 0 : trades;
  s.slotName = displayName;
  s.slotStatus = fromUtf8(std::to_string(n)) + u": " + s.slotID;
  S.setInUse(n, true);
  S.renewSession(n);
  S.logSlotEvent(n, u") Link(");
  sendAll(fd, wordReply(v.reply), ioSeconds());
}

}  // namespace tav::server
