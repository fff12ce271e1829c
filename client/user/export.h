// The pop-up entry pop1 "导出列表到Excel": the list of the shown panel,
// every record in its current order under a row of captions, into a new
// workbook that the spreadsheet application opens.
#pragma once
#include <QVariant>
#include <vector>

#include "client/user/rows.h"

namespace tav::user {

class FrmMain;

// The captions and then one row per record (Props 1 to 18, or 1 to 10);
// the captions alone while the list shows no rows.
std::vector<std::vector<QVariant>> exportRows(const Lists& lists, bool workOrders);

// pop1's click: needs no connection and changes nothing in the client.
void exportList(FrmMain& main);

}  // namespace tav::user
