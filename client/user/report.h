// The used-time report: the three sections of the server's reply, the
// summary of the equipment with the largest used time, and the workbook
// that shows them (sheets 工单耗时, 人员耗时, 工种耗时, 设备耗时, the
// hidden DATA and 设备汇总).
#pragma once
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tav::user {

// One work order of section 1.
struct RepWO {
  int32_t bill_id = 0;
  QString bill_type;
  int32_t usetime = 0;
  int32_t equip_id = 0;
  QString comofequip;
};
// One used-time record of section 2.
struct RepTime {
  int32_t bill_id = 0;
  QString user_id;
  int32_t Type = 0;  // trade code
  double used_time = 0;
};
// One further equipment of an order, section 3.
struct RepEqu {
  int32_t bill_id = 0;
  int32_t equip_id = 0;
  QString equipname;
  int32_t usetime = 0;
};

struct ReportData {
  std::vector<RepWO> orders;
  std::vector<RepTime> times;
  std::vector<RepEqu> extras;
};

// The reply text (terminator cut off) in its three sections. Numbers are
// the number a field begins with, 0 for none, for a whole number beyond 32
// bits and for a used time beyond the double range.
ReportData parseReport(std::u16string_view text);

struct SummaryRow {
  QString name;
  int64_t usetime = 0;
};
struct Summary {
  std::vector<SummaryRow> rows;  // at most 8, greatest used time first
  int64_t others = 0;            // what the rows leave out
};
// Orders of one equipment count as one row (the first one's name); each of
// up to eight passes takes the greatest time not yet taken, the earliest on
// ties; the rest adds up to `others`.
Summary summarise(const std::vector<RepWO>& orders);

// What the report panel showed when it asked.
struct ReportTexts {
  QString start, end, dayType;
};

// Writes the report into a new read-only file "TAVreport-…"; false with the
// failure's description in `error`.
bool writeReport(const ReportData& data, const ReportTexts& texts, QString& path, QString& error);

}  // namespace tav::user
