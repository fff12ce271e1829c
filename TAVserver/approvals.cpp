// The other administrators' answers to a proposal: the first agreement is
// recorded, any refusal closes it, and the second agreement carries it out.
#include <optional>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/password.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr std::u16string_view NORECO = u"NORECO";
constexpr std::u16string_view TWICES = u"TWICES";
constexpr std::u16string_view EXSING = u"EXSING";


// The proposal number, then after a separator "c" to agree; any other
// character refuses. Without the separator or the character there is no
// answer to take, and a refusal would close the proposal for nothing.
struct Answer {
  std::optional<int32_t> number;
  bool agrees = false;
};

Answer readAnswer(std::u16string_view body) {
  const std::size_t sep = body.size() > 6 ? body.find(FieldSep, 6) : std::u16string_view::npos;
  if (sep == std::u16string_view::npos || sep + 1 >= body.size()) throw BadRequest{};
  return {wholeNumber32(body.substr(6, sep - 6)), body[sep + 1] == u'c'};
}

bool isNullOrEmpty(const store::Value& v) { return v.isNull() || v.asText().empty(); }

bool frozen(const store::Value& canceled) { return canceled.isNull() || canceled.asInt() != 0; }

// The grants a user made are withdrawn when the account is frozen: their
// records go back to the free pool.
void freeGrantsBy(Server& S, std::u16string_view userId) {
  store::Table& rs = S.db.t().rsImp;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext()) {
    store::Value granter = rs.get("user_id");
    if (granter.isNull() || !equalsNoCase(granter.asText(), userId)) continue;
    rs.edit();
    rs.set("user_id", store::Value::null());
    rs.update();
  }
}

// Nobody lends rights he no longer holds. A grant left with no right stays
// in place; its granter may still change or withdraw it.
void trimGrantsBy(Server& S, std::u16string_view userId, int32_t removed) {
  store::Table& rs = S.db.t().rsImp;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext()) {
    store::Value granter = rs.get("user_id");
    if (granter.isNull() || !equalsNoCase(granter.asText(), userId)) continue;
    const int32_t lent = static_cast<int32_t>(rs.get("right_id").asInt());
    if ((lent & removed) == 0) continue;
    rs.edit();
    rs.set("right_id", store::Value(static_cast<long long>(lent & ~removed)));
    rs.update();
  }
}

// What a second agreement carries out, with the proposal's record current;
// the word it answers (IGOTIT when the change was made).
using Apply = std::u16string_view (*)(Server& S, store::Table& proposal, std::u16string_view initiator);

std::u16string_view createUser(Server& S, store::Table& p, std::u16string_view) {
  const std::u16string id = p.get("user_id").asText();
  store::Table& users = S.db.t().rsUsers;
  if (findNoCase(users, "user_id", id)) return EXSING;
  const std::u16string name = p.get("ouname").asText();
  const std::u16string password = encodePswd(p.get("Password").asText());
  const long long rights = static_cast<int32_t>(p.get("rights").asInt());
  const long long types = static_cast<int32_t>(p.get("types").asInt());
  users.addNew();
  users.set("user_id", store::Value(id));
  users.set("user_name", store::Value(name));
  users.set("Password", store::Value(password));
  users.set("Right", store::Value(rights));
  users.set("Type", store::Value(types));
  users.update();
  return IGOTIT;
}

// The change is made only to the account the proposer saw: if anything of
// it has changed since, applying the proposal would overwrite that change.
std::u16string_view changeUser(Server& S, store::Table& p, std::u16string_view) {
  const std::u16string id = p.get("user_id").asText();
  const std::u16string seenName = p.get("ouname").asText();
  const int32_t seenRight = static_cast<int32_t>(p.get("oright").asInt());
  const int32_t seenType = static_cast<int32_t>(p.get("otype").asInt());
  const bool seenFrozen = p.get("ocan").asInt() != 0;
  const std::u16string newName = p.get("nuname").asText();
  const std::u16string newPassword = p.get("npassword").asText();
  const int32_t newRight = static_cast<int32_t>(p.get("nright").asInt());
  const int32_t newType = static_cast<int32_t>(p.get("ntype").asInt());
  const int32_t newCan = static_cast<int32_t>(p.get("ncan").asInt());

  store::Table& users = S.db.t().rsUsers;
  if (!findNoCase(users, "user_id", id)) return NORECO;
  const int32_t oldRight = static_cast<int32_t>(users.get("Right").asInt());
  if (users.get("user_name").asText() != seenName || oldRight != seenRight ||
      static_cast<int32_t>(users.get("Type").asInt()) != seenType || frozen(users.get("canceled")) != seenFrozen)
    return NORECO;

  const std::u16string storedId = users.get("user_id").asText();
  users.edit();
  users.set("user_name", store::Value(newName));
  if (!newPassword.empty()) users.set("Password", store::Value(encodePswd(newPassword)));
  users.set("Right", store::Value(static_cast<long long>(newRight)));
  users.set("Type", store::Value(static_cast<long long>(newType)));
  users.set("canceled", store::Value(static_cast<long long>(newCan)));
  users.update();

  if (newCan != 0)
    freeGrantsBy(S, storedId);
  else if (const int32_t removed = oldRight & ~newRight; removed != 0)
    trimGrantsBy(S, storedId, removed);
  return IGOTIT;
}

std::u16string_view renameAdmin(Server& S, store::Table& p, std::u16string_view initiator) {
  const std::u16string name = p.get("ouname").asText();
  store::Table& admins = S.db.t().rsAdmins;
  if (!findNoCase(admins, "adID", initiator)) return NORECO;
  admins.edit();
  admins.set("adName", store::Value(name));
  admins.update();
  return IGOTIT;
}

// One answer, written in one transaction; its word goes out only once
// that has been committed, so the sender never hears "IGOTIT" for a change
// that was not made.
void answerProposal(Server& S, int n, std::u16string_view body, store::Table& t, Apply apply) {
  if (!sessionIsAdmin(S, n)) return;
  const Answer a = readAnswer(body);
  const Slot& s = S.slot(n);

  std::u16string_view word = NORECO;
  {
    store::Transaction tx(S.db.db());
    if (!a.number || !findNumber(t, "autonum", *a.number)) {
      replyWord(S, n, NORECO);
      return;
    }
    const store::Value admini = t.get("admini");
    // A closed or lapsed proposal can no longer be answered, and nobody
    // answers his own.
    if (admini.isNull() || proposalLapsed(t.get("dayed").asDouble(), now()) ||
        equalsNoCase(admini.asText(), s.slotID)) {
      replyWord(S, n, NORECO);
      return;
    }
    const store::Value passed = t.get("passed");
    if (isNullOrEmpty(passed)) {
      t.edit();
      if (a.agrees) {
        t.set("passed", store::Value(s.slotID));
        t.set("passname", store::Value(s.slotName));
      } else {
        t.set("admini", store::Value::null());
      }
      t.update();
      word = IGOTIT;
    } else if (equalsNoCase(passed.asText(), s.slotID)) {
      replyWord(S, n, TWICES);
      return;
    } else {
      // The second answer closes the proposal whatever it says.
      const std::u16string initiator = admini.asText();
      t.edit();
      t.set("admini", store::Value::null());
      t.update();
      word = a.agrees ? apply(S, t, initiator) : IGOTIT;
    }
    tx.commit();
  }
  replyWord(S, n, word);
}

}  // namespace

void handleAnswerNewUser(Server& S, int n, std::u16string_view body) {
  answerProposal(S, n, body, S.db.t().rsNewUser, createUser);
}

void handleAnswerUserSet(Server& S, int n, std::u16string_view body) {
  answerProposal(S, n, body, S.db.t().rsChange, changeUser);
}

void handleAnswerAdName(Server& S, int n, std::u16string_view body) {
  answerProposal(S, n, body, S.db.t().rsManName, renameAdmin);
}

}  // namespace tav::server
