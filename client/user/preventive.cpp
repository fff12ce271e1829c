// Reading the preventive work-order listing.
#include "client/user/preventive.h"

#include <cmath>

#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/rows.h"

namespace tav::user {

using tav::client::qs;

std::vector<PwoItem> parsePreventive(std::u16string_view reply) {
  std::vector<PwoItem> out;
  for (const auto& f : listRecords(reply)) {
    auto text = [&f](std::size_t i) { return i < f.size() ? qs(f[i]) : QString(); };
    auto number = [&f](std::size_t i) { return i < f.size() ? numberIn(f[i]) : 0.0; };
    PwoItem p;
    p.Number = text(0);
    p.name = text(1);
    p.discr = text(2);
    p.colnum = text(3);
    p.colnam = text(4);
    p.pointto = text(5);
    double begin = std::nearbyint(number(6));
    p.begday = begin >= 1 && begin < 2e9 ? dayText(static_cast<int32_t>(begin)) : QString();
    p.every = text(7);
    double period = number(8);
    p.perio = std::fabs(period) < 32768 ? static_cast<int>(std::nearbyint(period)) : 0;
    p.isusing = number(9) != 0;
    p.sperson = text(10);
    p.spersid = text(11);
    p.sday = dayTimeText(number(12));
    p.aperson = text(13);
    p.aday = dayTimeText(number(14));
    p.statu = number(15) != 0;
    out.push_back(std::move(p));
  }
  return out;
}

int findOrder(const std::vector<PwoItem>& list, const QString& number) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].Number.compare(number, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

}  // namespace tav::user
