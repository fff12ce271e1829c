// Authorisations users lend each other: "IMPADD", "ALTIMP", "REJECT" and
// "LISIMP" over the records of `impower`, which are reused, never deleted.
#include "TAVserver/authorisations.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "TAVserver/accounts.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {

bool grantIsLive(store::Table& rs, double nowD, int32_t todayD) {
  if (rs.get("user_id").isNull()) return false;
  // Live from the first moment of the first day.
  if (!(rs.get("usedate").asDouble() < nowD)) return false;
  return (rs.get("to_user_cancel").asInt() & 1) == 0 || rs.get("uselessdate").asInt() >= todayD;
}

bool grantIsReusable(store::Table& rs, int32_t todayD) {
  if (rs.get("user_id").isNull()) return true;
  return (rs.get("to_user_cancel").asInt() & 1) != 0 && rs.get("uselessdate").asInt() < todayD;
}

namespace {

// The six fields a grant is written from, in request order.
struct GrantFields {
  int32_t rights = 0;
  std::u16string toId, toName;
  int32_t cancel = 0, useDay = 0, uselessDay = 0;
};

// Reads the six grant fields from f[first] on; a number beyond 32 bits is
// refused rather than stored wrapped.
GrantFields readGrant(const std::vector<std::u16string_view>& f, std::size_t first) {
  auto number = [&](std::size_t i) {
    std::optional<int32_t> v = wholeNumber32(f[first + i]);
    if (!v) throw BadRequest{std::u16string(UWRONG)};
    return *v;
  };
  GrantFields g;
  g.rights = number(0);
  g.toId = storableText(f[first + 1]);
  g.toName = storableText(f[first + 2]);
  g.cancel = number(3);
  g.useDay = number(4);
  g.uselessDay = number(5);
  return g;
}

// A granter can lend only rights his own account holds now; an
// administrator's grant is taken as asked.
int32_t lendable(Server& S, int n, int32_t asked) {
  if (S.slot(n).slotIsAdmin) return asked;
  if (!findSessionUser(S, n)) return 0;
  return asked & static_cast<int32_t>(S.db.t().rsUsers.get("Right").asInt());
}

// Stands the cursor on the first record a new grant may take over.
bool findReusable(store::Table& rs, int32_t todayD) {
  for (bool on = rs.moveFirst(); on; on = rs.moveNext())
    if (grantIsReusable(rs, todayD)) return true;
  return false;
}

// The number the next numbered grant gets; the counter itself moves only
// once that grant is saved.
int32_t nextGrantNumber(const Server& S) {
  if (S.nextImpNo == INT32_MAX) throw BadRequest{u"TOLONG"};
  return S.nextImpNo + 1;
}

void writeGrant(store::Table& rs, const Slot& s, const GrantFields& g) {
  rs.set("user_id", store::Value(s.slotID));
  rs.set("user_name", store::Value(s.slotName));
  rs.set("right_id", store::Value(g.rights));
  rs.set("to_user_id", store::Value(g.toId));
  rs.set("to_user_name", store::Value(g.toName));
  rs.set("to_user_cancel", store::Value(g.cancel));
  rs.set("usedate", store::Value(g.useDay));
  rs.set("uselessdate", store::Value(g.uselessDay));
}

// The receiver's next login announces the grant.
void flagReceiver(Server& S, std::u16string_view toId) {
  store::Table& us = S.db.t().rsUsers;
  if (!findNoCase(us, "user_id", toId)) return;
  us.edit();
  us.set("newimpw", store::Value(1));
  us.update();
}

}  // namespace

void handleAddGrant(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  GrantFields g = readGrant(requireFields(body, 6, 6, UWRONG), 0);
  store::Table& rs = S.db.t().rsImp;

  store::Transaction tx(S.db.db());
  g.rights = lendable(S, n, g.rights);
  const int32_t number = nextGrantNumber(S);
  if (findReusable(rs, today()))
    rs.edit();
  else
    rs.addNew();
  rs.set("autonum", store::Value(number));
  writeGrant(rs, S.slot(n), g);
  rs.update();
  flagReceiver(S, g.toId);
  tx.commit();

  S.nextImpNo = number;
  replyWord(S, n, IGOTIT);
}

void handleAlterGrant(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  auto f = requireFields(body, 6, 7, UWRONG);
  const std::optional<int32_t> number = wholeNumber32(f[0]);
  GrantFields g = readGrant(f, 1);
  store::Table& rs = S.db.t().rsImp;
  const Slot& s = S.slot(n);

  store::Transaction tx(S.db.db());
  if (!number || !findNumber(rs, "autonum", *number)) {
    replyWord(S, n, NOTHIS);
    return;
  }
  g.rights = lendable(S, n, g.rights);
  std::optional<int32_t> added;
  const store::Value owner = rs.get("user_id");
  if (owner.isNull() || equalsNoCase(owner.asText(), s.slotID)) {
    // A free record, or the caller's own grant, keeps its number.
    rs.edit();
  } else if (findReusable(rs, today())) {
    // Somebody else's grant stays as it is; the caller gets a grant of
    // his own in a record taken over with its number.
    rs.edit();
  } else {
    added = nextGrantNumber(S);
    rs.addNew();
    rs.set("autonum", store::Value(*added));
  }
  writeGrant(rs, s, g);
  rs.update();
  flagReceiver(S, g.toId);
  tx.commit();

  if (added) S.nextImpNo = *added;
  replyWord(S, n, IGOTIT);
}

void handleRejectGrant(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  const std::optional<int32_t> number = wholeNumber32(body.substr(6));
  store::Table& rs = S.db.t().rsImp;
  const Slot& s = S.slot(n);

  store::Transaction tx(S.db.db());
  bool ended = false;
  if (number && findNumber(rs, "autonum", *number)) {
    const store::Value owner = rs.get("user_id");
    // Administrators may end any grant, a user only his own.
    if (!owner.isNull() && (s.slotIsAdmin || equalsNoCase(owner.asText(), s.slotID))) {
      rs.edit();
      rs.set("user_id", store::Value::null());
      rs.update();
      ended = true;
    }
  }
  tx.commit();
  replyWord(S, n, ended ? IGOTIT : NOTHIS);
}

void handleListGrants(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  const Slot& s = S.slot(n);
  const double nowD = now();
  const int32_t todayD = today();
  store::Table& rs = S.db.t().rsImp;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext()) {
    if (!grantIsLive(rs, nowD, todayD)) continue;
    // A user sees the grants he made; an administrator sees all of them.
    if (!s.slotIsAdmin && !equalsNoCase(rs.get("user_id").asText(), s.slotID)) continue;
    ListRecord rec;
    rec.addText(fieldText(rs.get("autonum")));
    if (s.slotIsAdmin) {
      rec.addText(fieldText(rs.get("user_id")));
      rec.addText(fieldText(rs.get("user_name")));
    }
    for (const char* f : {"right_id", "to_user_id", "to_user_name", "to_user_cancel", "usedate", "uselessdate"})
      rec.addText(fieldText(rs.get(std::string_view(f))));
    if (!sendRecord(S, n, rec)) return;
  }
  sendListEnd(S, n);
}

}  // namespace tav::server
