// Preventive plans ("GETPRE", "PRENEW", "PREALT", "PWODEL", "PWOAPP",
// "PWOCAN"): setting them up, approving them and keeping the approval count.
#include <cmath>
#include <limits>
#include <string>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/prevstep.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"

namespace tav::server {
namespace {

constexpr std::u16string_view UNLDAY = u"UNLDAY";
constexpr std::u16string_view NOCOLE = u"NOCOLE";
constexpr std::size_t PlanFieldCount = 9;
constexpr int PlanRecordFields = 16;  // `Number` .. `statu`: the list record

// The nine fields a client sends for a plan, read and checked.
struct PlanFields {
  std::u16string name, discr, colnam, pointto;
  int32_t colnum = 0, begday = 0, every = 0, perio = 0, isusing = 0;
};

// A plan that could not be stepped is refused here, before any record is
// looked at, so neither the daily job nor approval ever meets one.
PlanFields readPlan(const std::vector<std::u16string_view>& f, std::size_t first) {
  PlanFields p;
  const auto colnum = wholeNumber32(f[first + 2]);
  if (!colnum) throw BadRequest{};
  const auto begday = wholeNumber32(f[first + 5]);
  const double every = leadingNumber(f[first + 6]);
  const auto perio = wholeNumber32(f[first + 7]);
  if (!begday || !perio || !validPlan(*begday, every, *perio)) throw BadRequest{std::u16string(UNLDAY)};
  const auto inUse = wholeNumber32(f[first + 8]);
  p.name = storableText(f[first]);
  p.discr = storableText(f[first + 1]);
  p.colnum = *colnum;
  p.colnam = storableText(f[first + 3]);
  p.pointto = storableText(f[first + 4]);
  p.begday = *begday;
  p.every = static_cast<int32_t>(every);
  p.perio = *perio;
  p.isusing = (!inUse || *inUse != 0) ? 1 : 0;
  return p;
}

// Every add or change leaves the plan set up by this session and not
// approved; `Number` and `autocreate` are the caller's.
void writePlan(Server& S, int n, store::Table& pwo, const PlanFields& p, double when) {
  const Slot& s = S.slot(n);
  pwo.set("name", store::Value(p.name));
  pwo.set("discr", store::Value(p.discr));
  pwo.set("colnum", store::Value(p.colnum));
  pwo.set("colnam", store::Value(p.colnam));
  pwo.set("pointto", store::Value(p.pointto));
  pwo.set("begday", store::Value(p.begday));
  pwo.set("every", store::Value(p.every));
  pwo.set("perio", store::Value(p.perio));
  pwo.set("isusing", store::Value(p.isusing));
  pwo.set("sperson", store::Value(s.slotName));
  pwo.set("spersid", store::Value(s.slotID));
  pwo.set("sday", store::Value(when));
  pwo.set("aperson", store::Value::null());
  pwo.set("aday", store::Value::null());
  pwo.set("statu", store::Value(0));
}

// An approval counts in its collection's `refer` unless the collection was
// changed after it; the daily job passes exactly those plans over.
bool approvalCounted(const store::Value& iday, const store::Value& aday) {
  return !aday.isNull() && (iday.isNull() || iday.asDouble() <= aday.asDouble());
}

bool isApproved(store::Table& pwo) { return pwo.get("statu").asInt() != 0; }

// Takes the current plan's approval off its collection's count, when it
// was counted there; the count never goes below 0.
void withdrawApproval(Server& S, store::Table& pwo) {
  store::Table& col = S.db.t().rsCol;
  const store::Value aday = pwo.get("aday");
  if (!findLive(col, "autonum", pwo.get("colnum").asInt())) return;
  if (!approvalCounted(col.get("iday"), aday)) return;
  const int64_t refer = col.get("refer").asInt();
  if (refer <= 0) return;
  col.edit();
  col.set("refer", store::Value(static_cast<long long>(refer - 1)));
  col.update();
}

// A stored number as the 32-bit value the stepping takes; one out of range
// is passed on as 0, which no plan check accepts.
int32_t stored32(const store::Value& v) {
  const int64_t x = v.asInt();
  return (x < std::numeric_limits<int32_t>::min() || x > std::numeric_limits<int32_t>::max())
             ? 0
             : static_cast<int32_t>(x);
}


}  // namespace

void handleGetPlans(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  store::Table& pwo = S.db.t().rsPwo;
  for (bool on = pwo.moveFirst(); on; on = pwo.moveNext()) {
    if (pwo.get("Number").isNull() || !isLiveNumber(pwo.get("Number").asInt())) continue;
    ListRecord rec;
    addFields(rec, pwo, 0, PlanRecordFields);
    sendRecord(S, n, rec);
  }
  sendListEnd(S, n);
}

void handleNewPlan(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManCollections])) return;
  const PlanFields plan = readPlan(requireFields(body, 6, PlanFieldCount), 0);
  store::Table& pwo = S.db.t().rsPwo;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findFree(pwo, "Number")) {
      answer = u"TOLONG";
    } else {
      const int64_t number = pwo.get("Number").asInt() - PoolOffset;
      const double when = now();
      pwo.edit();
      pwo.set("Number", store::Value(static_cast<long long>(number)));
      writePlan(S, n, pwo, plan, when);
      if (auto refused = guardedSave(pwo)) {
        answer = *refused;
      } else {
        tx.commit();
        answer = std::u16string(IGOTIT) + numberText(number) + decimalText(when);
      }
    }
  }
  replyWord(S, n, answer);
}

void handleAlterPlan(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManCollections])) return;
  const auto f = requireFields(body, 6, 1 + PlanFieldCount);
  const PlanFields plan = readPlan(f, 1);
  store::Table& pwo = S.db.t().rsPwo;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findLive(pwo, "Number", wholeNumber32(f[0]))) {
      answer = NOTHIS;
    } else {
      // A refused save rolls the withdrawal back with it.
      if (isApproved(pwo)) withdrawApproval(S, pwo);
      const double when = now();
      pwo.edit();
      writePlan(S, n, pwo, plan, when);
      if (auto refused = guardedSave(pwo)) {
        answer = *refused;
      } else {
        tx.commit();
        answer = std::u16string(IGOTIT) + decimalText(when);
      }
    }
  }
  replyWord(S, n, answer);
}

namespace {

// "PWODEL" and "PWOCAN": the live plan the request names loses its
// approval (counted off its collection) and is rewritten by `change`, all
// in one transaction; the answer goes out after the commit.
template <class Change>
void withdrawAndChange(Server& S, int n, std::u16string_view body, int pos, Change&& change) {
  if (!sessionHasRight(S, n, S.consts.manageSet[static_cast<std::size_t>(pos)])) return;
  store::Table& pwo = S.db.t().rsPwo;
  std::u16string_view answer = IGOTIT;
  {
    store::Transaction tx(S.db.db());
    if (!findLive(pwo, "Number", wholeNumber32(body.substr(6)))) {
      answer = NOTHIS;
    } else {
      if (isApproved(pwo)) withdrawApproval(S, pwo);
      pwo.edit();
      change(pwo);
      pwo.update();
      tx.commit();
    }
  }
  replyWord(S, n, answer);
}

}  // namespace

void handleDeletePlan(Server& S, int n, std::u16string_view body) {
  withdrawAndChange(S, n, body, ManCollections, [](store::Table& pwo) {
    // The other fields stay until the record is taken again; its number
    // alone keeps it out of the lists and of the daily job.
    pwo.set("Number", store::Value(static_cast<long long>(pwo.get("Number").asInt() + PoolOffset)));
    pwo.set("name", store::Value::null());
  });
}

void handleApprovePlan(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManApprovePlans])) return;
  store::Table& pwo = S.db.t().rsPwo;
  store::Table& col = S.db.t().rsCol;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findLive(pwo, "Number", wholeNumber32(body.substr(6)))) {
      answer = NOTHIS;
    } else if (!findLive(col, "autonum", pwo.get("colnum").asInt())) {
      answer = NOCOLE;
    } else {
      const double when = now();
      const auto next = nextCreationDay(stored32(pwo.get("begday")), pwo.get("every").asDouble(),
                                        stored32(pwo.get("perio")),
                                        static_cast<int32_t>(std::floor(when)));
      if (!next) {
        // Written into the file by other means: a plan that cannot be stepped.
        answer = UNLDAY;
      } else {
        // Approving again renews the approval; it is counted once, unless
        // the collection changed since the earlier approval had been counted.
        if (!(isApproved(pwo) && approvalCounted(col.get("iday"), pwo.get("aday")))) {
          col.edit();
          col.set("refer", store::Value(static_cast<long long>(col.get("refer").asInt() + 1)));
          col.update();
        }
        pwo.edit();
        pwo.set("aperson", store::Value(whoText(S.slot(n))));
        pwo.set("aday", store::Value(when));
        pwo.set("statu", store::Value(1));
        pwo.set("autocreate", store::Value(*next));
        pwo.update();
        tx.commit();
        answer = std::u16string(IGOTIT) + decimalText(when);
      }
    }
  }
  replyWord(S, n, answer);
}

void handleCancelPlan(Server& S, int n, std::u16string_view body) {
  withdrawAndChange(S, n, body, ManApprovePlans, [](store::Table& pwo) {
    pwo.set("aperson", store::Value::null());
    pwo.set("aday", store::Value::null());
    pwo.set("statu", store::Value(0));
  });
}

}  // namespace tav::server
