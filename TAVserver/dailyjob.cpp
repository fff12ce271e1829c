// The daily job: work orders from the preventive plans due tomorrow, the
// Sunday backups, and once a year the archive of old work orders with the
// compaction of the records database. Also the start-up pass over plans.
#include "TAVserver/dailyjob.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <unordered_set>

#include "TAVserver/prevstep.h"
#include "TAVserver/records.h"
#include "TAVserver/server.h"
#include "protocol/daynum.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr int PairCount = 20;
constexpr int PairCodePos = 4;   // location k stands at position 4 + k
constexpr int PairNamePos = 24;  // its equipment name at 24 + k

struct LocationPair {
  std::u16string code, name;
  store::Value equipId;  // no value until a piece of equipment is found
};

// A plan is due today when it is live, approved, in use and its creation
// day is today.
bool isDue(store::Table& pwo, int32_t day) {
  return pwo.get("Number").asInt() < 2000 && pwo.get("statu").asInt() != 0 &&
         pwo.get("isusing").asInt() != 0 && !pwo.get("autocreate").isNull() &&
         pwo.get("autocreate").asInt() == day;
}

// Finds the equipment of each pair by location (case ignored); a pair whose
// location holds equipment of another name, or none, keeps no equipment id.
void findEquipment(store::Table& equ, std::array<LocationPair, PairCount>& pairs) {
  int left = 0;
  for (const auto& p : pairs) left += !p.code.empty();
  const int locF = equ.fieldIndex(std::string_view("equip_locate"));
  const int nameF = equ.fieldIndex(std::string_view("equip_name"));
  const int idF = equ.fieldIndex(std::string_view("equip_id"));
  for (bool on = equ.moveFirst(); on && left > 0; on = equ.moveNext()) {
    const std::u16string loc = equ.get(locF).asText();
    if (loc.empty()) continue;
    for (auto& p : pairs) {
      if (p.code.empty() || !p.equipId.isNull() || !equalsNoCase(p.code, loc)) continue;
      if (equalsNoCase(p.name, equ.get(nameF).asText())) p.equipId = equ.get(idF);
      --left;
      break;
    }
  }
}

// One work order, with its equipment rows, from a due plan. False when the
// plan is passed over (its collection gone, or changed since approval).
bool createFromPlan(Server& S, store::Table& pwo, int32_t day) {
  TableHandles& t = S.db.t();
  if (!findNumber(t.rsCol, "autonum", pwo.get("colnum").asInt())) return false;
  if (t.rsCol.get("iday").asDouble() > pwo.get("aday").asDouble()) return false;

  std::array<LocationPair, PairCount> pairs;
  int equs = 0;
  for (int k = 1; k <= PairCount; ++k) {
    auto& p = pairs[static_cast<std::size_t>(k - 1)];
    p.code = t.rsCol.get(PairCodePos + k).asText();
    p.name = t.rsCol.get(PairNamePos + k).asText();
    equs += !p.code.empty();
  }

  store::Table& list = t.rsList;
  list.addNew();
  list.set("equip_id", pwo.get("colnum"));
  list.set("comofequip", pwo.get("colnam"));
  list.set("Description", pwo.get("discr"));
  list.set("Status", store::Value(S.consts.manageSet[ManApprovePlans]));
  list.set("bill_type", store::Value(u"PS"));
  list.set("em_level", store::Value(4));
  list.set("createid", pwo.get("spersid"));
  list.set("createname", pwo.get("sperson"));
  list.set("created_date", store::Value(day));
  list.set("begin_date", store::Value(day + 1));
  list.set("compl_date", store::Value(day + 1));
  list.set("pointto", pwo.get("pointto"));
  list.set("equs", store::Value(equs));
  list.update();
  const store::Value billId = list.get("bill_id");

  findEquipment(t.rsEqu, pairs);
  for (const auto& p : pairs) {
    if (p.code.empty()) continue;
    t.rsSub.addNew();
    t.rsSub.set("bill_id", billId);
    t.rsSub.set("equip_id", p.equipId);
    t.rsSub.set("equipname", store::Value(p.code + p.name));
    t.rsSub.update();
  }
  return true;
}

// Turns every due plan into a work order and moves its creation day on,
// all in one transaction: a plan gives at most one order per due day.
void createPreventiveOrders(Server& S, int32_t day) {
  store::Table& pwo = S.db.t().rsPwo;
  store::Transaction tx(S.db.db());
  for (bool on = pwo.moveFirst(); on; on = pwo.moveNext()) {
    if (!isDue(pwo, day)) continue;
    auto next = nextCreationDay(static_cast<int32_t>(pwo.get("begday").asInt()), pwo.get("every").asDouble(),
                                static_cast<int32_t>(pwo.get("perio").asInt()), day);
    if (!next) continue;  // a plan out of range cannot be stepped: left alone
    const int64_t rowid = pwo.rowid();
    if (!createFromPlan(S, pwo, day)) continue;
    pwo.moveTo(rowid);
    pwo.edit();
    pwo.set("autocreate", store::Value(*next));
    pwo.update();
  }
  tx.commit();
}

std::u16string dayLogTime(int32_t day) { return logTime(static_cast<double>(day)); }

void sundayBackup(Server& S, int32_t day) {
  const std::string stamp = formatShortDate(fromDayTime(day));
  const struct {
    const char* schema;
    const char* base;
  } files[] = {{Databases::UseSchema, "TAVusers"},
               {Databases::EquSchema, "TAVequipment"},
               {Databases::RecSchema, "TAVrecords"}};
  for (const auto& f : files) {
    try {
      S.db.db().backupTo(f.schema, S.serverPath + "/" + f.base + stamp + ".BAK");
    } catch (const std::exception&) {
      S.serverLog.add(u"Backup Error: " + fromUtf8(f.base) + u".mdb  " + dayLogTime(day));
    }
  }
}

// Moves every row of `from` whose bill_id is one of `bills` into `to`,
// field by field in table order.
void moveRows(store::Table& from, store::Table& to, const std::unordered_set<int64_t>& bills) {
  const int billF = from.fieldIndex(std::string_view("bill_id"));
  const int fields = from.fieldCount();
  for (bool on = from.moveFirst(); on; on = from.moveNext()) {
    store::Value b = from.get(billF);
    if (b.isNull() || !bills.count(b.asInt())) continue;
    to.addNew();
    for (int i = 0; i < fields; ++i) to.set(i, from.get(i));
    to.update();
    from.deleteCurrent();
  }
}

// The yearly archive: orders created before 1 January two years back move
// to the archive tables with all their history, in one transaction.
void archiveOldOrders(Server& S, int32_t day, int32_t nextArchive) {
  TableHandles& t = S.db.t();
  const int32_t cutOff = dayFromCivil(civilFromDay(day).y - 2, 1, 1);
  store::Transaction tx(S.db.db());
  std::unordered_set<int64_t> moved;
  const int createdF = t.rsList.fieldIndex(std::string_view("created_date"));
  const int fields = t.rsList.fieldCount();
  for (bool on = t.rsList.moveFirst(); on; on = t.rsList.moveNext()) {
    store::Value created = t.rsList.get(createdF);
    if (created.isNull() || created.asInt() >= cutOff) continue;
    t.rsListO.addNew();
    for (int i = 0; i < fields; ++i) t.rsListO.set(i, t.rsList.get(i));
    t.rsListO.update();
    moved.insert(t.rsList.rowid());
    t.rsList.deleteCurrent();
  }
  moveRows(t.rsDetail, t.rsDetailO, moved);
  moveRows(t.rsStatus, t.rsStatusO, moved);
  moveRows(t.rsSub, t.rsSubO, moved);
  if (!t.rsAcess.moveFirst()) throw store::StoreError(store::StoreError::Kind::Other, "adacess is empty");
  t.rsAcess.edit();
  t.rsAcess.set(1, store::Value(nextArchive));
  t.rsAcess.update();
  tx.commit();
}

// Rewrites the records database compactly and puts the copy in its place;
// the original stays until its replacement is complete.
void compactRecords(Server& S) {
  namespace fs = std::filesystem;
  const std::string temp = S.serverPath + "/TAVtemdb000.tav";
  const std::string live = S.serverPath + "/TAVrecords.mdb";
  std::error_code ec;
  fs::remove(temp, ec);
  try {
    S.db.db().vacuumInto(Databases::RecSchema, temp);
  } catch (const std::exception&) {
    fs::remove(temp, ec);
    throw;
  }
  S.db.db().close();
  fs::rename(temp, live, ec);
  if (ec) fs::remove(temp, ec);
  S.db.db().reopen();
}

}  // namespace

void runDailyJob(Server& S) {
  const int32_t day = today();
  try {
    createPreventiveOrders(S, day);
  } catch (const std::exception&) {
    S.serverLog.add(u"Preventive Error  " + dayLogTime(day));
  }
  if (weekdayOfDay(day) == 1) sundayBackup(S, day);
  if (day >= S.archiveDate) {
    const int32_t nextArchive = dayFromCivil(civilFromDay(day).y + 1, 1, 1);
    try {
      archiveOldOrders(S, day, nextArchive);
      S.archiveDate = nextArchive;
    } catch (const std::exception&) {
      // Nothing moved; the next job tries again.
      S.serverLog.add(u"Archive Error: TAVrecords.mdb  " + dayLogTime(day));
      return;
    }
    try {
      compactRecords(S);
    } catch (const std::exception&) {
      S.serverLog.add(u"Compact Error: TAVrecords.mdb  " + dayLogTime(day));
      if (!S.db.db().isOpen()) S.db.db().reopen();
    }
  }
}

void startupPlanPass(Server& S) {
  store::Table& pwo = S.db.t().rsPwo;
  const int32_t day = today();
  store::Transaction tx(S.db.db());
  for (bool on = pwo.moveFirst(); on; on = pwo.moveNext()) {
    if (pwo.get("statu").asInt() == 0) continue;
    auto next = nextCreationDay(static_cast<int32_t>(pwo.get("begday").asInt()), pwo.get("every").asDouble(),
                                static_cast<int32_t>(pwo.get("perio").asInt()), day);
    if (!next) continue;  // a plan out of range is left as it stands
    store::Value stored = pwo.get("autocreate");
    if (!stored.isNull() && stored.asInt() == *next) continue;
    pwo.edit();
    pwo.set("autocreate", store::Value(*next));
    pwo.update();
  }
  tx.commit();
}

}  // namespace tav::server
