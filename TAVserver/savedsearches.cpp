// "WOSAVE" and "WODELE": the four saved work-order searches each user
// keeps in his users record (conditions, sort keys and name per slot).
#include <string>

#include "TAVserver/accounts.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr std::size_t MaxConditions = 200;
constexpr std::size_t MaxName = 12;

// The slot a request names: exactly "1" to "4". Anything else could reach
// fields of the record that are no saved search.
char slotDigit(std::u16string_view text) {
  if (text.size() != 1 || text[0] < u'1' || text[0] > u'4') throw BadRequest{std::u16string(UWRONG)};
  return static_cast<char>(text[0]);
}

std::string slotField(const char* stem, char digit) { return std::string(stem) + digit; }

// Cuts `text` at the first `sep`; the part after it stays in `text`.
std::u16string_view cutAt(std::u16string_view& text, char16_t sep) {
  const std::size_t at = text.find(sep);
  if (at == std::u16string_view::npos) throw BadRequest{std::u16string(UWRONG)};
  std::u16string_view head = text.substr(0, at);
  text.remove_prefix(at + 1);
  return head;
}

}  // namespace

void handleSaveSearch(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  // slot FieldSep conditions RecordSep sort keys RecordSep name
  std::u16string_view rest = body.substr(6);
  const char slot = slotDigit(cutAt(rest, FieldSep));
  const std::u16string_view conditions = cutAt(rest, RecordSep);
  const std::u16string_view sorts = cutAt(rest, RecordSep);
  const std::u16string_view name = rest;
  if (conditions.size() > MaxConditions) {
    replyWord(S, n, u"SEARCH");
    return;
  }
  if (name.size() > MaxName) {
    replyWord(S, n, u"NAMETO");
    return;
  }

  store::Transaction tx(S.db.db());
  if (!findSessionUser(S, n)) {
    replyWord(S, n, NOTHIS);
    return;
  }
  store::Table& rs = S.db.t().rsUsers;
  rs.edit();
  rs.set(slotField("sears", slot), store::Value(storableText(conditions)));
  rs.set(slotField("sorts", slot), store::Value(storableText(sorts)));
  rs.set(slotField("sname", slot), store::Value(storableText(name)));
  rs.update();
  tx.commit();
  replyWord(S, n, IGOTIT);
}

void handleDeleteSearch(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  std::u16string_view rest = body.substr(6);
  const char slot = slotDigit(rest.substr(0, rest.find(FieldSep)));

  store::Transaction tx(S.db.db());
  // Without a users record there is no saved search to empty.
  if (findSessionUser(S, n)) {
    store::Table& rs = S.db.t().rsUsers;
    rs.edit();
    for (const char* stem : {"sears", "sorts", "sname"}) rs.set(slotField(stem, slot), store::Value::null());
    rs.update();
  }
  tx.commit();
  replyWord(S, n, IGOTIT);
}

}  // namespace tav::server
