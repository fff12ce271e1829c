// The used-time report ("REPORT"): the work orders whose chosen day lies in a
// range, then their used-time rows, then their equipment rows.
#include <cstdint>
#include <optional>
#include <unordered_set>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "TAVserver/store/schema.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr std::u16string_view WRONGW = u"WRONGW";
constexpr int64_t LongestSpan = 370;

using Numbers = std::unordered_set<int64_t>;

// Walks the orders of one list table and sends those chosen, noting their
// numbers for the later sections. False when the client stopped taking them.
bool sendOrders(Server& S, int n, store::Table& list, int dayField, bool finishedOnly, int32_t from,
                int32_t to, Numbers& chosen) {
  const int billId = list.fieldIndex("bill_id"), doneDate = list.fieldIndex("done_date");
  const int billType = list.fieldIndex("bill_type"), equipId = list.fieldIndex("equip_id");
  const int name = list.fieldIndex("comofequip"), usetime = list.fieldIndex("usetime");
  for (bool on = list.moveFirst(); on; on = list.moveNext()) {
    store::Value day = list.get(dayField);
    if (day.isNull() || day.asInt() < from || day.asInt() > to) continue;
    if (finishedOnly && list.get(doneDate).isNull()) continue;
    ListRecord rec;
    for (int i : {billId, billType, equipId, name, usetime}) rec.addText(fieldText(list.get(i)));
    chosen.insert(list.get(billId).asInt());
    if (!sendRecord(S, n, rec)) return false;
  }
  return true;
}

// Sends the rows of a history table that belong to chosen orders. The used
// time and equipment tables both hold the report's record as their four
// fields, the order's number first.
bool sendRowsOf(Server& S, int n, store::Table& t, const Numbers& chosen) {
  if (chosen.empty()) return true;
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    store::Value b = t.get(0);
    if (b.isNull() || !chosen.count(b.asInt())) continue;
    ListRecord rec;
    addFields(rec, t, 0, 4);
    if (!sendRecord(S, n, rec)) return false;
  }
  return true;
}

}  // namespace

void handleReport(Server& S, int n, std::u16string_view body) {
  if (!S.hasRight(n, S.consts.manageSet[ManReportArchive])) {
    replyWord(S, n, u"NOPWER");
    return;
  }
  S.renewSession(n);
  auto f = requireFields(body, 9, 3, WRONGW);
  const bool finishedOnly = body[6] == u'1';
  const bool withArchive = body[7] == u'1';

  // Only the day columns of an order can be reported on.
  const schema::Field* column =
      schema::findTable(schema::FileId::Records, "list")->field(toUtf8(f[0]));
  const std::optional<int32_t> from = wholeNumber32(f[1]), to = wholeNumber32(f[2]);
  if (!column || column->type != schema::FieldType::Day || !from || !to) {
    replyWord(S, n, WRONGW);
    return;
  }
  if (int64_t{*to} - *from > LongestSpan) {
    replyWord(S, n, u"TOLONG");
    return;
  }
  if (*to < *from) {
    replyWord(S, n, WRONGW);
    return;
  }

  TableHandles& t = S.db.t();
  const std::string section = toUtf16le(std::u16string(1, SectionSep));
  Numbers current, archived;
  // A client that stops taking the reply ends it; the rest is not read.
  const bool sent =
      sendOrders(S, n, t.rsList, t.rsList.fieldIndex(column->name), finishedOnly, *from, *to, current) &&
      (!withArchive || sendOrders(S, n, t.rsListO, t.rsListO.fieldIndex(column->name), finishedOnly,
                                  *from, *to, archived)) &&
      reply(S, n, section) && sendRowsOf(S, n, t.rsDetail, current) &&
      (!withArchive || sendRowsOf(S, n, t.rsDetailO, archived)) && reply(S, n, section) &&
      sendRowsOf(S, n, t.rsSub, current) && (!withArchive || sendRowsOf(S, n, t.rsSubO, archived));
  if (sent) sendListEnd(S, n);
}

}  // namespace tav::server
