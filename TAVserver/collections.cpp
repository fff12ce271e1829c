// Equipment collections ("GETCOL", "COLADD", "COLALT", "COLDEL") and the
// record pools that collections and preventive plans are kept in.
#include <optional>
#include <string>
#include <vector>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"

namespace tav::server {
namespace {

constexpr int LocPairs = 20;
constexpr int FirstLocCode = 5;                        // loccode1 .. loccode20
constexpr int FirstLocName = FirstLocCode + LocPairs;  // locname1 .. locname20

// The fields that "COLADD" and "COLALT" write alike: name, description, who
// and when, the twenty location pairs, and a fresh approval count (every
// approval given before a change no longer counts).
void writeCollection(Server& S, int n, store::Table& col, const std::vector<std::u16string_view>& f,
                     std::size_t first, double when) {
  col.set("name", store::Value(storableText(f[first])));
  col.set("descr", store::Value(storableText(f[first + 1])));
  col.set("iday", store::Value(when));
  col.set("person", store::Value(whoText(S.slot(n))));
  for (int k = 0; k < LocPairs; ++k) {
    const std::size_t at = first + 2 + 2 * static_cast<std::size_t>(k);
    col.set(FirstLocCode + k, store::Value(storableText(f[at])));
    col.set(FirstLocName + k, store::Value(storableText(f[at + 1])));
  }
  col.set("refer", store::Value(0));
}

}  // namespace

bool isLiveNumber(int64_t number) { return number >= PoolLiveFirst && number <= PoolLiveLast; }

bool findLive(store::Table& t, const char* field, std::optional<int64_t> number) {
  return number && isLiveNumber(*number) && findNumber(t, field, *number);
}

bool findFree(store::Table& t, const char* field) {
  const int f = t.fieldIndex(std::string_view(field));
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    store::Value v = t.get(f);
    if (v.isNull()) continue;
    const int64_t number = v.asInt();
    if (number >= PoolLiveFirst + PoolOffset && number <= PoolLiveLast + PoolOffset) return true;
  }
  return false;
}

std::optional<std::u16string> guardedSave(store::Table& t) {
  try {
    t.update();
  } catch (const store::StoreError& e) {
    return std::u16string(e.kind() == store::StoreError::Kind::DuplicateKey ? u"WRONGN" : UWRONG);
  }
  return std::nullopt;
}

std::u16string numberText(int64_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

void handleGetCollections(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  store::Table& col = S.db.t().rsCol;
  for (bool on = col.moveFirst(); on; on = col.moveNext()) {
    if (col.get("autonum").isNull() || !isLiveNumber(col.get("autonum").asInt())) continue;
    ListRecord rec;
    addFields(rec, col, 0, FirstLocCode);
    for (int k = 0; k < LocPairs; ++k) {
      rec.addText(fieldText(col.get(FirstLocCode + k)));
      rec.addText(fieldText(col.get(FirstLocName + k)));
    }
    rec.addText(fieldText(col.get("refer")));
    sendRecord(S, n, rec);
  }
  sendListEnd(S, n);
}

void handleAddCollection(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManCollections])) return;
  const auto f = requireFields(body, 6, 2 + 2 * LocPairs);
  store::Table& col = S.db.t().rsCol;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findFree(col, "autonum")) {
      answer = u"TOLONG";
    } else {
      const int64_t number = col.get("autonum").asInt() - PoolOffset;
      const double when = now();
      col.edit();
      col.set("autonum", store::Value(static_cast<long long>(number)));
      writeCollection(S, n, col, f, 0, when);
      if (auto refused = guardedSave(col)) {
        answer = *refused;
      } else {
        tx.commit();
        answer = std::u16string(IGOTIT) + numberText(number) + decimalText(when);
      }
    }
  }
  replyWord(S, n, answer);
}

void handleAlterCollection(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManCollections])) return;
  const auto f = requireFields(body, 6, 3 + 2 * LocPairs);
  store::Table& col = S.db.t().rsCol;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findLive(col, "autonum", wholeNumber32(f[0]))) {
      answer = NOTHIS;
    } else {
      const double when = now();
      col.edit();
      writeCollection(S, n, col, f, 1, when);
      if (auto refused = guardedSave(col)) {
        answer = *refused;
      } else {
        tx.commit();
        answer = std::u16string(IGOTIT) + decimalText(when);
      }
    }
  }
  replyWord(S, n, answer);
}

void handleDeleteCollection(Server& S, int n, std::u16string_view body) {
  if (!sessionHasRight(S, n, S.consts.manageSet[ManCollections])) return;
  store::Table& col = S.db.t().rsCol;
  std::u16string answer;
  {
    store::Transaction tx(S.db.db());
    if (!findLive(col, "autonum", wholeNumber32(body.substr(6)))) {
      answer = NOTHIS;
    } else {
      // Plans that name the collection keep its number; their next approval
      // finds no live collection under it and is refused.
      col.edit();
      col.set("autonum", store::Value(static_cast<long long>(col.get("autonum").asInt() + PoolOffset)));
      col.set("name", store::Value::null());
      col.update();
      tx.commit();
      answer = IGOTIT;
    }
  }
  replyWord(S, n, answer);
}

}  // namespace tav::server
