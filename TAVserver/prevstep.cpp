// Creation-day stepping of preventive plans.
#include "TAVserver/prevstep.h"

#include <algorithm>
#include <cmath>

#include "protocol/daynum.h"

namespace tav::server {
namespace {

int daysInMonth(int y, int m) {
  return dayFromCivil(y, m + 1, 1) - dayFromCivil(y, m, 1);
}

}  // namespace

bool validPlan(int32_t begday, double every, int32_t perio) {
  static const int32_t first = dayFromCivil(1900, 1, 1);
  static const int32_t last = dayFromCivil(9999, 12, 31);
  return begday >= first && begday <= last && every >= 1 && every <= 999 &&
         std::floor(every) == every && perio >= PerDays && perio <= PerYears;
}

std::optional<int32_t> nextCreationDay(int32_t begday, double every, int32_t perio,
                                       int32_t today) {
  if (!validPlan(begday, every, perio)) return std::nullopt;
  const int32_t n = static_cast<int32_t>(every);
  int64_t d = begday;
  switch (perio) {
    case PerDays:
    case PerWeeks: {
      // Whole steps can be counted at once: no walk over the years between.
      const int64_t step = perio == PerDays ? n : 7LL * n;
      if (d - 2 < today) d += ((today + 2 - d + step - 1) / step) * step;
      break;
    }
    case PerMonths: {
      CivilDate c = civilFromDay(begday);
      while (d - 2 < today) {
        int months = c.m - 1 + n;
        int y = c.y + months / 12, m = months % 12 + 1;
        c = {y, m, std::min(c.d, daysInMonth(y, m))};
        d = dayFromCivil(c.y, c.m, c.d);
      }
      break;
    }
    case PerYears: {
      while (d - 2 < today) {
        // Each step goes from the day reached; 29 February falls on 1 March
        // in a common year and stays there.
        CivilDate c = civilFromDay(static_cast<int32_t>(d));
        int y = c.y + 1;
        d = (c.m == 2 && c.d == 29 && daysInMonth(y, 2) == 28) ? dayFromCivil(y, 3, 1)
                                                                 : dayFromCivil(y, c.m, c.d);
      }
      break;
    }
  }
  return static_cast<int32_t>(d - 1);
}

}  // namespace tav::server
