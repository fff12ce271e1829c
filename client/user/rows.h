// The row objects of the two lists a user browses: one WOList per work
// order and one EquList per piece of equipment of the last list reply.
// Props(k) is grid column k, sort column k and export column k at once.
#pragma once
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace tav::user {

struct WOList {
  int32_t bill_id = 0;
  QString comofequip, description;
  QString Sscrip;  // status name
  QString bill_type;
  int32_t em_level = 0;
  int32_t usetime = 0;
  QString createid, createname;
  QString Screat, Sdone, Scompl, Sbegin;  // "yyyy-M-d"; Sdone/Sbegin empty for day 0
  int32_t equip_id = 0;
  QString pointto, reason, solute, scribebyeng;
  int16_t isNew = 0;  // 1: current tables; 0: archive
  QString created_by;  // createid "(" createname ")"
  int32_t begin_date = 0, compl_date = 0, done_date = 0, created_date = 0;
  int32_t Status = 0;
  bool checked = false;

  // 1-18 the display columns, 19-24 the numbers behind them; else invalid.
  QVariant Props(int index) const;
};

struct EquList {
  int32_t equip_id = 0;
  QString equip_name, equip_locate;
  int32_t buied_date = 0;
  int32_t equip_imp = 0;
  QString madeby, parameter;
  int32_t equip_use = 0;
  int32_t uselessday = 0;
  QString memo;
  QString Sbuy, Suld;  // "yyyy-M-d"; empty for day 0 or below
  bool checked = false;

  // 1-10 the display columns, 11-12 the day numbers; else invalid.
  QVariant Props(int index) const;
};

inline constexpr int WoColumns = 18;
inline constexpr int EquColumns = 10;

// Day number as "yyyy-M-d" (day 0 is 1899-12-30).
QString dayText(int32_t day);
// Empty for 0 (or below, with `belowToo`).
QString dayTextOrEmpty(int32_t day, bool belowToo = false);

// Sets the derived members from the record's own values and the status table.
void deriveTexts(WOList& w);
void deriveTexts(EquList& e);

// The two lists with their selection and first shown record (numbered from 1).
struct Lists {
  std::vector<WOList> woRecords;   // element i is record i + 1
  std::vector<EquList> equRecords;
  int32_t woSel = 0, equSel = 0;
  int32_t woTop = 1, equTop = 1;
  int32_t woRows = 0, equRows = 0;
  bool equPickMode = false;
};

}  // namespace tav::user
