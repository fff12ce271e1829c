// The list export.
#include "client/user/export.h"

#include "client/common/notifier.h"
#include "client/user/exportbook.h"
#include "client/user/frmmain.h"
#include "client/user/fraworko.h"
#include "client/user/spreadsheet.h"
#include "client/user/usertables.h"

namespace tav::user {

namespace {

template <class Row>
void appendRecords(std::vector<std::vector<QVariant>>& out, const std::vector<Row>& rows, int columns) {
  for (const Row& r : rows) {
    std::vector<QVariant> line;
    line.reserve(static_cast<std::size_t>(columns));
    for (int k = 1; k <= columns; ++k) line.push_back(r.Props(k));
    out.push_back(std::move(line));
  }
}

}  // namespace

std::vector<std::vector<QVariant>> exportRows(const Lists& lists, bool workOrders) {
  const QStringList& captions = workOrders ? woCaption() : equCaption();
  std::vector<std::vector<QVariant>> out(1);
  for (const QString& c : captions) out[0].push_back(c);
  if (workOrders && lists.woRows > 0) appendRecords(out, lists.woRecords, WoColumns);
  if (!workOrders && lists.equRows > 0) appendRecords(out, lists.equRecords, EquColumns);
  return out;
}

void exportList(FrmMain& main) {
  using tav::client::inform;
  if (!spreadsheet().available()) {
    inform(noSpreadsheetText());
    return;
  }
  const bool workOrders = main.OFrame() == main.fraWorkO() && !main.fraWorkO()->isHidden();
  Book book(QStringLiteral("TAVexport"));
  const int sheet = book.addSheet(QStringLiteral("Sheet1"));
  book.writeRows(sheet, 0, 0, exportRows(main.lists(), workOrders));
  if (!book.close()) {
    inform(book.error());
    return;
  }
  const QString failed = spreadsheet().open(book.path());
  if (!failed.isEmpty()) inform(failed);
}

}  // namespace tav::user
