// "LISUSE", the user list both clients pick users from, and the lookup of
// a session's own users record.
#include "TAVserver/accounts.h"

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/server.h"

namespace tav::server {

bool findSessionUser(Server& S, int n) {
  const Slot& s = S.slot(n);
  if (s.slotIsAdmin) return false;
  return findNoCase(S.db.t().rsUsers, "user_id", s.slotID);
}

void handleListUsers(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  // Administrators keep every account, frozen ones too; a user picks only
  // among active accounts and is not told who is frozen.
  const bool admin = S.slot(n).slotIsAdmin;
  store::Table& rs = S.db.t().rsUsers;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext()) {
    const int64_t canceled = rs.get("canceled").asInt();
    if (!admin && canceled != 0) continue;
    ListRecord rec;
    rec.addText(rs.get("user_id").asText());
    rec.addText(rs.get("user_name").asText());
    // Masks go out as the signed 32-bit words every other reply uses.
    rec.addNumber(static_cast<int32_t>(rs.get("Right").asInt()));
    rec.addNumber(static_cast<int32_t>(rs.get("Type").asInt()));
    if (admin) rec.addNumber(canceled);
    // A client that stopped reading gets no more of the list.
    if (!sendRecord(S, n, rec)) return;
  }
  sendListEnd(S, n);
}

}  // namespace tav::server
