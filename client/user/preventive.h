// Preventive work orders as the user client holds them, and the reading of
// the "GETPRE" reply into them.
#pragma once
#include <QString>
#include <string_view>
#include <vector>

namespace tav::user {

// One preventive work order of the listing, in the order of its record.
struct PwoItem {
  QString Number, name, discr, colnum, colnam, pointto;
  QString begday;  // "yyyy-M-d", empty below day 1
  QString every;
  int perio = 0;  // 1 days, 2 weeks, 3 months, 4 years
  bool isusing = false;
  QString sperson, spersid;
  QString sday;  // "yyyy-M-d H:m:s", empty when not above 0
  QString aperson;
  QString aday;
  bool statu = false;  // approved
};

// The records of a "GETPRE" reply, in reply order.
std::vector<PwoItem> parsePreventive(std::u16string_view reply);

// The index (from 0) of the entry whose Number is `number`, letters' case
// aside; -1 for none.
int findOrder(const std::vector<PwoItem>& list, const QString& number);

}  // namespace tav::user
