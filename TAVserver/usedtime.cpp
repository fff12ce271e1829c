// Used time ("ADTIME"): one used-time row per trade entry, the entries' sum
// added to the order and shared out over the equipment rows of a plan's order.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

// Times are summed in whole units of 1e-9 so that the sum is exact and is
// rounded only once; a time finer than that is refused, not cut.
constexpr int64_t Unit = 1'000'000'000;
constexpr int64_t MaxTime = 9999;

// An order made from a preventive plan carries its collection's number as
// equip_id, and collections in use are numbered below this.
constexpr int64_t CollectionLimit = 2000;

// A used time: decimal digits with an optional fraction, 0 to 9999, in
// units; nullopt for anything else (a sign, an exponent, trailing text).
std::optional<int64_t> exactTime(std::u16string_view text) {
  text = trimBlanks(text);
  auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  std::size_t i = 0;
  int digits = 0;
  int64_t whole = 0;
  for (; digit(i); ++i, ++digits) {
    whole = whole * 10 + (text[i] - u'0');
    if (whole > MaxTime) return std::nullopt;
  }
  int64_t fraction = 0;
  if (i < text.size() && text[i] == u'.') {
    int64_t scale = Unit / 10;
    for (++i; digit(i); ++i, ++digits) {
      const int d = text[i] - u'0';
      if (scale == 0) {
        if (d != 0) return std::nullopt;
        continue;
      }
      fraction += d * scale;
      scale /= 10;
    }
  }
  if (i != text.size() || digits == 0) return std::nullopt;
  const int64_t units = whole * Unit + fraction;
  if (units > MaxTime * Unit) return std::nullopt;
  return units;
}

// Units to the nearest whole number, a half to the even neighbour.
int64_t roundUnits(int64_t units) {
  int64_t q = units / Unit, r = units % Unit;
  if (r * 2 > Unit || (r * 2 == Unit && q % 2 != 0)) ++q;
  return q;
}


}  // namespace

void handleAddUsedTime(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  const bool current = body.size() > 6 && body[6] == u'1';
  const auto f = splitFields(body, std::min<std::size_t>(body.size(), 7));
  const std::size_t pairs = f.empty() ? 0 : (f.size() - 1) / 2;
  if (pairs == 0) {  // nothing to record
    replyWord(S, n, IGOTIT);
    return;
  }

  struct Entry {
    int32_t trade;
    int64_t units;
    double time;
  };
  std::vector<Entry> entries;
  int64_t total = 0;
  for (std::size_t k = 0; k < pairs; ++k) {
    auto trade = wholeNumber32(f[1 + 2 * k]);
    auto units = exactTime(f[2 + 2 * k]);
    if (!trade || !units) throw BadRequest{std::u16string(UWRONG)};
    entries.push_back({*trade, *units, leadingNumber(trimBlanks(f[2 + 2 * k]))});
    total += *units;
  }

  TableHandles& t = S.db.t();
  store::Table& list = current ? t.rsList : t.rsListO;
  const std::optional<int32_t> id = wholeNumber32(f[0]);
  store::Transaction tx(S.db.db());
  if (!findOrder(list, current, id)) {
    replyWord(S, n, NOTHIS);
    return;
  }
  const int64_t usetime = list.get("usetime").asInt() + roundUnits(total);
  if (usetime > std::numeric_limits<int32_t>::max()) throw BadRequest{std::u16string(UWRONG)};
  const int64_t equipId = list.get("equip_id").asInt();
  const int64_t equs = list.get("equs").asInt();
  list.edit();
  list.set("usetime", store::Value(usetime));
  list.update();

  store::Table& detail = current ? t.rsDetail : t.rsDetailO;
  for (const Entry& e : entries) {
    // The archive keeps a row for every entry, an empty one included.
    if (current && e.units == 0) continue;
    detail.addNew();
    detail.set("bill_id", store::Value(*id));
    detail.set("user_id", store::Value(S.slot(n).slotName));
    detail.set("Type", store::Value(e.trade));
    detail.set("used_time", store::Value(e.time));
    detail.update();
  }

  if (equipId < CollectionLimit && equs > 0 && total != 0) {
    const double share = static_cast<double>(total) / Unit / static_cast<double>(equs);
    store::Table& sub = current ? t.rsSub : t.rsSubO;
    int64_t done = 0;
    for (int64_t row : rowsOfOrder(sub, *id)) {
      if (done >= equs || !sub.moveTo(row)) break;
      sub.edit();
      sub.set("usetime", store::Value(sub.get("usetime").asDouble() + share));
      sub.update();
      ++done;
    }
  }
  tx.commit();
  replyWord(S, n, IGOTIT);
}

}  // namespace tav::server
