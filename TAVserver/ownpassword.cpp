// "RENAME": the holder of a session changes his own password, checked
// against the password the session logged in with.
#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/password.h"
#include "protocol/text.h"

namespace tav::server {

void handleRename(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  Slot& s = S.slot(n);
  auto f = requireFields(body, 6, 2, u"WRONGPW");
  if (encodePswd(f[0]) != s.slotPswd) {
    replyWord(S, n, u"WRONGPW");
    return;
  }
  const std::u16string newPswd = encodePswd(f[1]);

  TableHandles& t = S.db.t();
  store::Table& rs = s.slotIsAdmin ? t.rsAdmins : t.rsUsers;
  const char* idField = s.slotIsAdmin ? "adID" : "user_id";
  store::Transaction tx(S.db.db());
  bool found = false;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext())
    if (equalsNoCase(rs.get(idField).asText(), s.slotID)) {
      found = true;
      break;
    }
  if (!found) {
    replyWord(S, n, UWRONG);
    return;
  }
  rs.edit();
  rs.set(s.slotIsAdmin ? "adPswd" : "Password", store::Value(newPswd));
  rs.update();
  tx.commit();
  // The session follows the stored password only once it is saved.
  s.slotPswd = newPswd;
  replyWord(S, n, u"CHANGED");
}

}  // namespace tav::server
