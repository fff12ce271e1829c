// "DETAIL": one work order's status history or used-time rows, newest
// first, from the current tables or their archive twins.
#include <optional>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/server.h"
#include "protocol/wire.h"

namespace tav::server {

void handleWODetail(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  // "DETAIL", the current/archive flag, the six-letter sub-word, the number.
  constexpr std::size_t FlagAt = 6, SubAt = 7, NumberAt = 13;
  const bool current = body.size() > FlagAt && body[FlagAt] == u'1';
  const std::u16string_view sub = body.size() >= NumberAt ? body.substr(SubAt, 6) : std::u16string_view{};

  TableHandles& t = S.db.t();
  store::Table* rs = nullptr;
  if (sub == u"STATUS")
    rs = current ? &t.rsStatus : &t.rsStatusO;
  else if (sub == u"USTIME")
    rs = current ? &t.rsDetail : &t.rsDetailO;

  // A number beyond 32 bits names no order; an unknown sub-word names no
  // table. Either way the client still gets its (empty) list.
  const std::optional<int32_t> number =
      body.size() >= NumberAt ? wholeNumber32(body.substr(NumberAt)) : std::nullopt;
  if (rs && number) {
    const auto rows = rowsOfOrder(*rs, *number);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
      if (!rs->moveTo(*row)) continue;
      // The order's number is not repeated: the row's other three fields.
      ListRecord rec;
      addFields(rec, *rs, 1, 4);
      if (!sendRecord(S, n, rec)) return;
    }
  }
  sendListEnd(S, n);
}

}  // namespace tav::server
