// Writing work orders: new requests and the engineer's change under the field
// rules ("WRITE:"), and the requester's own change of a new request ("MYOLWO").
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "TAVserver/store/schema.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

const schema::Table& listSchema() {
  static const schema::Table* t = schema::findTable(schema::FileId::Records, "list");
  return *t;
}

// The `list` field a client names, letter case aside; nullptr for none.
const schema::Field* listField(std::u16string_view name) { return listSchema().field(toUtf8(name)); }

bool isField(const schema::Field* f, std::string_view name) { return f && f->name == name; }

// A client's text in the form the field keeps: a number field takes the
// number the text begins with, a text field the text without separators.
// A number beyond 32 bits is refused rather than wrapped.
store::Value storedForm(const schema::Field& f, std::u16string_view text) {
  switch (f.type) {
    case schema::FieldType::Int32:
    case schema::FieldType::Day:
    case schema::FieldType::Bool: {
      auto v = wholeNumber32(text);
      if (!v) throw BadRequest{std::u16string(UWRONG)};
      return store::Value(*v);
    }
    case schema::FieldType::Real:
    case schema::FieldType::DateTime: {
      double d = leadingNumber(text);
      if (!std::isfinite(d)) throw BadRequest{std::u16string(UWRONG)};
      return store::Value(d);
    }
    case schema::FieldType::Text:
      break;
  }
  return store::Value(storableText(text));
}

// A status the order may take must be one the status table names.
int32_t statusCode(const Server& S, std::u16string_view text) {
  auto v = wholeNumber32(text);
  if (!v || !S.consts.isStatusCode(*v)) throw BadRequest{std::u16string(UWRONG)};
  return *v;
}


// The first field rule that lets this session write `text` into the field
// `name` of an order in status `status`; nullptr when none does.
const FieldRight* firstRule(Server& S, int n, std::u16string_view name, int32_t status,
                            std::u16string_view text) {
  const Slot& s = S.slot(n);
  const int32_t rights = s.slotRight | s.slotRight2;
  for (const FieldRight& r : S.consts.fieldRuleTab) {
    if (r.Fields != name || (status & r.states) == 0 || (rights & r.powers) == 0) continue;
    if (r.tostas != 0) {
      auto v = wholeNumber32(text);
      if (!v) throw BadRequest{std::u16string(UWRONG)};
      if ((*v & r.tostas) == 0) continue;
    }
    return &r;
  }
  return nullptr;
}

bool isDoneStatus(const Server& S, int32_t status) {
  return (status & (S.consts.manageSet[ManDoneStatusA] | S.consts.manageSet[ManDoneStatusB])) != 0;
}

// Records a move of the order into `status` in the chosen history table.
void addStatusRow(Server& S, int n, bool current, int32_t billId, int32_t status) {
  store::Table& h = current ? S.db.t().rsStatus : S.db.t().rsStatusO;
  h.addNew();
  h.set("bill_id", store::Value(billId));
  h.set("Status", store::Value(status));
  h.set("User", store::Value(whoText(S.slot(n))));
  h.set("Time", store::Value(now()));
  h.update();
}

// The names a new request may carry, one pair each.
constexpr std::array<std::u16string_view, 9> NewOrderNames = {
    u"equip_id", u"comofequip", u"description", u"bill_type", u"em_level",
    u"begin_date", u"compl_date", u"status", u"pointto"};

void writeNewOrder(Server& S, int n, std::u16string_view body) {
  if (!S.hasRight(n, S.consts.manageSet[ManNewRequest])) {
    replyWord(S, n, WROPOW);
    return;
  }
  auto f = requireFields(body, 12, 2 * NewOrderNames.size(), UWRONG);

  // Every pair is checked before the row exists, so a refused request
  // leaves no half-written order behind.
  struct Write {
    const schema::Field* field;
    store::Value value;
  };
  std::vector<Write> writes;
  std::array<bool, NewOrderNames.size()> seen{};
  for (std::size_t k = 0; k < NewOrderNames.size(); ++k) {
    std::u16string_view name = f[2 * k], text = f[2 * k + 1];
    std::size_t which = 0;
    while (which < NewOrderNames.size() && !equalsNoCase(NewOrderNames[which], name)) ++which;
    if (which == NewOrderNames.size() || seen[which]) throw BadRequest{std::u16string(UWRONG)};
    seen[which] = true;
    const schema::Field* field = listField(name);
    if (isField(field, "Status")) statusCode(S, text);
    writes.push_back({field, storedForm(*field, text)});
  }

  const Slot& s = S.slot(n);
  store::Table& rs = S.db.t().rsList;
  store::Transaction tx(S.db.db());
  rs.addNew();
  for (const Write& w : writes) rs.set(w.field->name, w.value);
  rs.set("created_date", store::Value(today()));
  rs.set("createid", store::Value(s.slotID));
  rs.set("createname", store::Value(s.slotName));
  rs.update();
  const int64_t billId = rs.get("bill_id").asInt();
  tx.commit();
  replyWord(S, n, std::u16string(IGOTIT) + fromUtf8(std::to_string(billId)));
}

void writeOrderChange(Server& S, int n, std::u16string_view body, bool current) {
  auto f = requireFields(body, 12, 2, UWRONG);
  if (!equalsNoCase(f[0], u"bill_id")) throw BadRequest{std::u16string(UWRONG)};
  const std::size_t pairs = f.size() / 2;

  // Names and status values are checked before anything is read or written.
  std::vector<const schema::Field*> fields(pairs, nullptr);
  for (std::size_t k = 1; k < pairs; ++k) {
    fields[k] = listField(f[2 * k]);
    if (!fields[k]) throw BadRequest{std::u16string(UWRONG)};
    if (isField(fields[k], "Status")) statusCode(S, f[2 * k + 1]);
  }

  const std::optional<int32_t> id = wholeNumber32(f[1]);
  store::Table& rs = current ? S.db.t().rsList : S.db.t().rsListO;
  store::Transaction tx(S.db.db());
  if (!findOrder(rs, current, id)) {
    replyWord(S, n, NOTHIS);
    return;
  }
  // Every rule is tested against the status the order had when the request
  // came, also after one of its pairs has moved it.
  const int32_t status = static_cast<int32_t>(rs.get("Status").asInt());

  std::vector<int32_t> moves;
  rs.edit();
  for (std::size_t k = 1; k < pairs; ++k) {
    const schema::Field* field = fields[k];
    if (isField(field, "bill_id")) continue;  // the key is never rewritten
    std::u16string_view name = f[2 * k], text = f[2 * k + 1];
    const FieldRight* rule = firstRule(S, n, name, status, text);
    if (!rule) continue;
    const store::Value value =
        rule->tostas == 0 ? storedForm(*field, text) : store::Value(*wholeNumber32(text));
    rs.set(field->name, value);
    // However a rule opens the status, the move is recorded.
    if (isField(field, "Status")) {
      const int32_t to = static_cast<int32_t>(value.asInt());
      moves.push_back(to);
      if (isDoneStatus(S, to)) rs.set("done_date", store::Value(today()));
    }
  }
  rs.update();
  for (int32_t to : moves) addStatusRow(S, n, current, *id, to);
  tx.commit();
  replyWord(S, n, u"WRITE,OK");
}

}  // namespace

void handleWriteWO(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  std::u16string_view sub = body.substr(std::min<std::size_t>(body.size(), 6), 6);
  if (sub == u"ANEWWO") return writeNewOrder(S, n, body);
  if (sub.size() == 6 && sub.substr(1) == u"OLDWO") return writeOrderChange(S, n, body, sub[0] == u'1');
  throw BadRequest{};
}

void handleChangeOwnWO(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  if (body.size() < 8 || body[7] != FieldSep) throw BadRequest{std::u16string(UWRONG)};
  auto f = requireFields(body, 8, 10, UWRONG);
  const bool current = body[6] == u'1';

  // Fields 2 to 10 of the request, in this order.
  static constexpr std::array<std::string_view, 9> names = {
      "equip_id", "comofequip", "Description", "bill_type", "em_level",
      "begin_date", "compl_date", "Status", "pointto"};
  constexpr std::size_t StatusAt = 7;
  std::array<store::Value, names.size()> values;
  for (std::size_t i = 0; i < names.size(); ++i)
    values[i] = storedForm(*listSchema().field(names[i]), f[i + 1]);
  const int32_t wanted = statusCode(S, f[StatusAt + 1]);

  const std::optional<int32_t> id = wholeNumber32(f[0]);
  store::Table& rs = current ? S.db.t().rsList : S.db.t().rsListO;
  store::Transaction tx(S.db.db());
  if (!findOrder(rs, current, id)) {
    replyWord(S, n, NOTHIS);
    return;
  }
  if (!equalsNoCase(rs.get("createid").asText(), S.slot(n).slotID)) {
    replyWord(S, n, u"WRONGU");
    return;
  }
  const int32_t status = S.consts.manageSet[ManNewRequest];
  if (rs.get("Status").isNull() || rs.get("Status").asInt() != status) {
    replyWord(S, n, u"CHANGE");
    return;
  }
  // The requester edits the request itself; moving it on is the business
  // of whoever the status rule lets do so, as in the engineer's change.
  const bool moves = wanted != status && firstRule(S, n, u"status", status, f[StatusAt + 1]);
  if (!moves) values[StatusAt] = store::Value(status);

  rs.edit();
  for (std::size_t i = 0; i < names.size(); ++i) rs.set(names[i], values[i]);
  if (moves && isDoneStatus(S, wanted)) rs.set("done_date", store::Value(today()));
  rs.update();
  if (moves) addStatusRow(S, n, current, *id, wanted);
  tx.commit();
  replyWord(S, n, IGOTIT);
}

}  // namespace tav::server
