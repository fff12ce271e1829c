// Props of the row objects and their derived texts.
#include "client/user/rows.h"

#include "client/user/usertables.h"
#include "protocol/daynum.h"

namespace tav::user {

QString dayText(int32_t day) {
  CivilDate d = civilFromDay(day);
  return QStringLiteral("%1-%2-%3").arg(d.y, 4, 10, QLatin1Char('0')).arg(d.m).arg(d.d);
}

QString dayTextOrEmpty(int32_t day, bool belowToo) {
  if (day == 0 || (belowToo && day < 0)) return {};
  return dayText(day);
}

QVariant WOList::Props(int index) const {
  switch (index) {
    case 1: return bill_id;
    case 2: return comofequip;
    case 3: return description;
    case 4: return Sscrip;
    case 5: return bill_type;
    case 6: return em_level;
    case 7: return usetime;
    case 8: return createid;
    case 9: return createname;
    case 10: return Screat;
    case 11: return Sdone;
    case 12: return equip_id;
    case 13: return Sbegin;
    case 14: return Scompl;
    case 15: return pointto;
    case 16: return reason;
    case 17: return solute;
    case 18: return scribebyeng;
    case 19: return begin_date;
    case 20: return compl_date;
    case 21: return done_date;
    case 22: return created_date;
    case 23: return Status;
    case 24: return isNew;
    default: return {};
  }
}

QVariant EquList::Props(int index) const {
  switch (index) {
    case 1: return equip_id;
    case 2: return equip_name;
    case 3: return equip_locate;
    case 4: return Sbuy;
    case 5: return equip_imp;
    case 6: return madeby;
    case 7: return parameter;
    case 8: return equip_use;
    case 9: return Suld;
    case 10: return memo;
    case 11: return buied_date;
    case 12: return uselessday;
    default: return {};
  }
}

void deriveTexts(WOList& w) {
  w.Sscrip = statusNameOf(w.Status);
  w.Screat = dayText(w.created_date);
  w.Sdone = dayTextOrEmpty(w.done_date);
  w.Scompl = dayText(w.compl_date);
  w.Sbegin = dayTextOrEmpty(w.begin_date);
  w.created_by = w.createid + QLatin1Char('(') + w.createname + QLatin1Char(')');
}

void deriveTexts(EquList& e) {
  e.Sbuy = dayTextOrEmpty(e.buied_date, true);
  e.Suld = dayTextOrEmpty(e.uselessday, true);
}

}  // namespace tav::user
