// "MYGRAD" and "ALLGAT": what each client needs at the start of a session,
// and the one place where a session's rights words are computed.
#include <string>

#include "TAVserver/accounts.h"
#include "TAVserver/authorisations.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/server.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

std::u16string decimal(int64_t v) { return fromUtf8(std::to_string(v)); }

void addField(std::u16string& out, std::u16string_view text) {
  out += text;
  out += FieldSep;
}

void addCodeNames(std::u16string& out, const std::vector<CodeName>& tab) {
  for (const CodeName& e : tab) {
    addField(out, decimal(e.code));
    addField(out, e.name);
  }
  out += RecordSep;
}

// The saved searches travel in the stored order of the users record:
// conditions, sort keys and name of slot 1, then of slot 2, and so on.
constexpr const char* searchFields[] = {"sears1", "sorts1", "sname1", "sears2", "sorts2", "sname2",
                                        "sears3", "sorts3", "sname3", "sears4", "sorts4", "sname4"};

}  // namespace

void handleMyGrade(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  Slot& s = S.slot(n);
  TableHandles& t = S.db.t();

  // Without a users record the session holds no rights and no searches;
  // its trades stay what the login gave it.
  int32_t own = 0, lent = 0, trades = s.slotType;
  std::u16string searches(std::size(searchFields), RecordSep);

  store::Transaction tx(S.db.db());
  if (findSessionUser(S, n)) {
    store::Table& us = t.rsUsers;
    own = static_cast<int32_t>(us.get("Right").asInt());
    trades = static_cast<int32_t>(us.get("Type").asInt());
    searches.clear();
    for (const char* f : searchFields) {
      searches += us.get(std::string_view(f)).asText();
      searches += RecordSep;
    }

    const double nowD = now();
    const int32_t todayD = today();
    store::Table& rs = t.rsImp;
    for (bool on = rs.moveFirst(); on; on = rs.moveNext()) {
      const store::Value granter = rs.get("user_id");
      if (granter.isNull()) continue;
      if (equalsNoCase(rs.get("to_user_id").asText(), s.slotID) && grantIsLive(rs, nowD, todayD))
        lent |= static_cast<int32_t>(rs.get("right_id").asInt());
      // Grants this user made to last until his next session start end here.
      if (equalsNoCase(granter.asText(), s.slotID) && (rs.get("to_user_cancel").asInt() & 2) != 0) {
        rs.edit();
        rs.set("user_id", store::Value::null());
        rs.update();
      }
    }
  }
  tx.commit();

  s.slotRight = own;
  s.slotRight2 = lent;
  s.slotType = trades;

  std::u16string text;
  addField(text, s.slotName);
  addField(text, decimal(own));
  addField(text, decimal(lent));
  addField(text, decimal(trades));
  text += RecordSep;
  addCodeNames(text, S.consts.rightsTab);
  addCodeNames(text, S.consts.statusTab);
  addCodeNames(text, S.consts.specialTab);
  for (const FieldRight& r : S.consts.fieldRuleTab) {
    addField(text, r.Fields);
    addField(text, decimal(r.states));
    addField(text, decimal(r.powers));
    addField(text, decimal(r.tostas));
  }
  text += RecordSep;
  for (const TextCodeName& e : S.consts.typeTab) {
    addField(text, e.code);
    addField(text, e.name);
  }
  text += RecordSep;
  for (int32_t v : S.consts.manageSet) addField(text, decimal(v));
  text += RecordSep;
  text += searches;
  reply(S, n, textReply(text));
}

void handleAllConsts(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  std::u16string text;
  addCodeNames(text, S.consts.rightsTab);
  addCodeNames(text, S.consts.specialTab);
  reply(S, n, textReply(text));
}

}  // namespace tav::server
