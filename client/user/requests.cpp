// Request bodies of the work-request panel, its field rules and minute sums.
#include "client/user/requests.h"

#include "client/common/session.h"
#include "protocol/wire.h"

namespace tav::user {

using tav::client::cleanField;
using tav::client::requestBody;
using tav::client::us;

namespace {

std::u16string num(int64_t v) { return us(QString::number(v)); }
std::u16string digit(int store) { return store == 1 ? u"1" : u"0"; }

// Name/value pairs, each part followed by FieldSep.
std::u16string pairsBody(std::u16string word, const std::vector<std::pair<const char16_t*, std::u16string>>& pairs) {
  std::vector<std::u16string> fields;
  for (const auto& [name, value] : pairs) {
    fields.emplace_back(name);
    fields.push_back(value);
  }
  return requestBody(word, fields);
}

// The minutes text the server receives: at most four characters.
QString sentMinutes(const QString& typed) { return typed.left(MinutesChars); }

// Thousandths of a minute; a box of four characters holds at most three decimals.
constexpr int64_t Milli = 1000;

int64_t thousandths(const QString& text) {
  int64_t whole = 0, fraction = 0, scale = Milli;
  bool point = false;
  for (QChar c : text) {
    if (c == QLatin1Char('.')) {
      point = true;
      continue;
    }
    int d = c.digitValue();
    if (!point) {
      whole = whole * 10 + d;
    } else if (scale > 1) {
      scale /= 10;
      fraction += d * scale;
    }
  }
  return whole * Milli + fraction;
}

}  // namespace

std::u16string newOrderBody(const RequestFields& f) {
  return pairsBody(u"WRITE:ANEWWO", {{u"equip_id", cleanField(f.equipId)},
                                      {u"comofequip", cleanField(f.equipName)},
                                      {u"description", cleanField(f.description)},
                                      {u"bill_type", cleanField(f.billType)},
                                      {u"em_level", num(f.emLevel)},
                                      {u"begin_date", num(f.beginDay)},
                                      {u"compl_date", num(f.complDay)},
                                      {u"status", num(f.status)},
                                      {u"pointto", cleanField(f.pointto)}});
}

std::u16string orderUpdateBody(int store, int32_t billId, const OrderUpdate& u) {
  return pairsBody(u"WRITE:" + digit(store) + u"OLDWO", {{u"bill_id", num(billId)},
                                                         {u"pointto", cleanField(u.pointto)},
                                                         {u"status", num(u.status)},
                                                         {u"reason", cleanField(u.reason)},
                                                         {u"solute", cleanField(u.solute)},
                                                         {u"scribebyeng", cleanField(u.remark)}});
}

std::u16string ownChangeBody(int store, int32_t billId, const RequestFields& f) {
  return requestBody(u"MYOLWO" + digit(store) + std::u16string(1, FieldSep),
                     {num(billId), cleanField(f.equipId), cleanField(f.equipName), cleanField(f.description),
                      cleanField(f.billType), num(f.emLevel), num(f.beginDay), num(f.complDay), num(f.status),
                      cleanField(f.pointto)});
}

std::u16string detailBody(int store, DetailKind kind, int32_t billId) {
  return u"DETAIL" + digit(store) + (kind == DetailKind::Status ? u"STATUS" : u"USTIME") + num(billId);
}

std::u16string addTimeBody(int store, int32_t billId, const std::vector<TimeEntry>& entries) {
  std::vector<std::u16string> fields{num(billId)};
  for (const TimeEntry& e : entries) {
    if (e.minutes.isEmpty()) continue;
    fields.push_back(num(e.trade));
    fields.push_back(cleanField(sentMinutes(e.minutes)));
  }
  return requestBody(u"ADTIME" + digit(store), fields);
}

bool isMinutes(const QString& text) {
  int digits = 0, points = 0;
  for (QChar c : text) {
    if (c == QLatin1Char('.'))
      ++points;
    else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
      ++digits;
    else
      return false;
  }
  return digits > 0 && points <= 1 && text.size() <= MinutesChars;
}

int64_t roundedMinutes(const std::vector<TimeEntry>& entries) {
  int64_t total = 0;
  for (const TimeEntry& e : entries) {
    QString m = sentMinutes(e.minutes);
    if (isMinutes(m)) total += thousandths(m);
  }
  int64_t q = total / Milli, r = total % Milli;
  if (r * 2 > Milli || (r * 2 == Milli && q % 2 != 0)) ++q;
  return q;
}

bool ruleApplies(const FieldRight& r, const QString& name, int32_t status, int32_t rights) {
  return r.Fields.compare(name, Qt::CaseInsensitive) == 0 && (status & r.states) != 0 && (rights & r.powers) != 0;
}

bool anyRule(const QString& name, int32_t status) {
  const UserTables& t = tables();
  for (const FieldRight& r : t.fieldRights)
    if (ruleApplies(r, name, status, t.rights())) return true;
  return false;
}

int32_t nextStatusMask(int32_t status) {
  const UserTables& t = tables();
  int32_t mask = 0;
  for (const FieldRight& r : t.fieldRights)
    if (ruleApplies(r, QStringLiteral("status"), status, t.rights())) mask |= r.tostas;
  return mask;
}

}  // namespace tav::user
