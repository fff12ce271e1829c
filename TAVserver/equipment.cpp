// "EQUADD", "EQUALT" and "ALLCOL": the equipment register. Equipment is
// never deleted; scrapping it freezes its row for good.
#include <algorithm>
#include <limits>
#include <optional>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr std::u16string_view WLOCAT = u"WLOCAT";
constexpr std::u16string_view USELES = u"USELES";

// New numbers stay above the collection pool (1001-2999): a plan's work order
// carries its collection's number where an equipment number would stand.
constexpr int64_t FirstEquipId = 10001;

// A number field of the request. One beyond 32 bits is refused, never wrapped.
int32_t requestNumber(std::u16string_view text) {
  auto v = wholeNumber32(text);
  if (!v) throw BadRequest{};
  return *v;
}

// What "EQUADD" and "EQUALT" write, read and checked before anything changes.
struct EquipmentFields {
  std::u16string name, locate, parameter, madeby, memo;
  int32_t imp = 0, use = 0, bought = 0;
  std::optional<int32_t> uselessDay;  // none when the request leaves it empty

  // `f` holds, from `at`: name, location, importance, use state, purchase
  // day, scrap day, parameters, maker, remarks.
  EquipmentFields(const std::vector<std::u16string_view>& f, std::size_t at)
      : name(storableText(f[at])),
        locate(storableText(f[at + 1])),
        parameter(storableText(f[at + 6])),
        madeby(storableText(f[at + 7])),
        memo(storableText(f[at + 8])),
        imp(requestNumber(f[at + 2])),
        use(requestNumber(f[at + 3])),
        bought(requestNumber(f[at + 4])) {
    if (!f[at + 5].empty()) uselessDay = requestNumber(f[at + 5]);
  }

  // The fields of the current pending add or change. The scrap day is
  // written only together with the scrapped state; otherwise a changed row
  // keeps the one it has.
  void write(store::Table& t, int32_t scrapped) const {
    t.set("equip_name", store::Value(name));
    t.set("equip_locate", locate.empty() ? store::Value::null() : store::Value(locate));
    t.set("buied_date", store::Value(bought));
    t.set("equip_imp", store::Value(imp));
    t.set("madeby", store::Value(madeby));
    t.set("Parameter", store::Value(parameter));
    t.set("equip_use", store::Value(use));
    t.set("Memo", store::Value(memo));
    if (use == scrapped) t.set("uselessday", store::Value(uselessDay.value_or(today())));
  }
};

bool isScrapped(const store::Value& use, int32_t scrapped) { return !use.isNull() && use.asInt() == scrapped; }

std::u16string_view addEquipment(Server& S, const EquipmentFields& e) {
  store::Table& t = S.db.t().rsEqu;
  const int idField = t.fieldIndex(std::string_view("equip_id"));
  const int locField = t.fieldIndex(std::string_view("equip_locate"));
  store::Transaction tx(S.db.db());
  int64_t highest = 0;
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    highest = std::max(highest, t.get(idField).asInt());
    if (!e.locate.empty() && equalsNoCase(t.get(locField).asText(), e.locate)) return WLOCAT;
  }
  const int64_t id = std::max(highest + 1, FirstEquipId);
  if (id > std::numeric_limits<int32_t>::max()) return UWRONG;
  t.addNew();
  t.set(idField, store::Value(static_cast<long long>(id)));
  e.write(t, S.consts.manageSet[ManScrapped]);
  t.update();
  tx.commit();
  return IGOTIT;
}

std::u16string_view alterEquipment(Server& S, int32_t id, const EquipmentFields& e) {
  store::Table& t = S.db.t().rsEqu;
  const int idField = t.fieldIndex(std::string_view("equip_id"));
  const int locField = t.fieldIndex(std::string_view("equip_locate"));
  const int useField = t.fieldIndex(std::string_view("equip_use"));
  const int32_t scrapped = S.consts.manageSet[ManScrapped];

  // One walk finds the row and every row already holding the new location;
  // the row's own location never counts against it.
  store::Transaction tx(S.db.db());
  std::optional<int64_t> row;
  bool rowScrapped = false;
  int holders = 0;
  int64_t holder = 0;
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    if (!row) {
      const store::Value v = t.get(idField);
      if (!v.isNull() && v.asInt() == id) {
        row = t.rowid();
        rowScrapped = isScrapped(t.get(useField), scrapped);
      }
    }
    if (!e.locate.empty() && equalsNoCase(t.get(locField).asText(), e.locate)) {
      ++holders;
      holder = t.rowid();
    }
  }
  if (!row) return NOTHIS;
  if (rowScrapped) return USELES;
  if (holders > 1 || (holders == 1 && holder != *row)) return WLOCAT;

  if (!t.moveTo(*row)) return UWRONG;
  t.edit();
  e.write(t, scrapped);
  t.update();  // any other refusal of the store is "UWRONG" from the dispatcher
  tx.commit();
  return IGOTIT;
}

}  // namespace

void handleAddEquipment(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManEquipment])) return;
  const EquipmentFields e(requireFields(body, 6, 9), 0);
  const std::u16string_view word = addEquipment(S, e);
  replyWord(S, n, word);
}

void handleAlterEquipment(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManEquipment])) return;
  const auto f = requireFields(body, 6, 10);
  const std::optional<int32_t> id = wholeNumber32(f[0]);
  if (!id) {
    replyWord(S, n, NOTHIS);
    return;
  }
  const EquipmentFields e(f, 1);
  const std::u16string_view word = alterEquipment(S, *id, e);
  replyWord(S, n, word);
}

void handleAllLocations(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  store::Table& t = S.db.t().rsEqu;
  const int locField = t.fieldIndex(std::string_view("equip_locate"));
  const int nameField = t.fieldIndex(std::string_view("equip_name"));
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    ListRecord rec;
    rec.addText(fieldText(t.get(locField)));
    rec.addText(fieldText(t.get(nameField)));
    if (!sendRecord(S, n, rec)) return;
  }
  sendListEnd(S, n);
}

}  // namespace tav::server
